#pragma once

#include "platform/Desktop.h"

namespace tidewell {

// The desktop of macOS, reached through `open` and `osascript`. Built on every host so that the
// command texts are tested everywhere.
class MacDesktop : public Desktop
{
public:
    explicit MacDesktop(std::shared_ptr<SystemTools> tools);

    void openUrl(const QUrl& url, Failure onFailure = {}) override;
    void openFolder(const QString& folder, Failure onFailure = {}) override;
    void openWithApplication(const QString& applicationName, const QString& folder,
                             Failure onFailure = {}) override;
    void runInNewTerminal(const QString& folder, const QString& commandLine, Failure onFailure = {}) override;
    // The editors whose application bundle `open -Ra` finds.
    QStringList installedEditors() override;
    // Finder opens what it knows and asks about the rest.
    bool hasOpenerFor(const QString&) override { return true; }

    // "cd FOLDER && COMMAND", with the folder quoted for the shell only when it has to be.
    static QString terminalShellLine(const QString& folder, const QString& commandLine);
    // The AppleScript that has Terminal run the shell line in a new window and come to the front.
    static QString terminalScript(const QString& folder, const QString& commandLine);

private:
    void start(const QString& program, const QStringList& arguments, const Failure& onFailure);

    std::shared_ptr<SystemTools> m_tools;
};

} // namespace tidewell
