#pragma once

#include "platform/Desktop.h"

namespace tidewell {

// The desktop of macOS, reached through `open` and `osascript`. Built on every host so that the
// command texts are tested everywhere.
class MacDesktop : public Desktop
{
public:
    explicit MacDesktop(std::shared_ptr<SystemTools> tools);

    void openUrl(const QUrl& url) override;
    void openFolder(const QString& folder) override;
    void openWithApplication(const QString& applicationName, const QString& folder) override;
    void runInNewTerminal(const QString& folder, const QString& commandLine) override;

    // "cd FOLDER && COMMAND", with the folder quoted for the shell only when it has to be.
    static QString terminalShellLine(const QString& folder, const QString& commandLine);
    // The AppleScript that has Terminal run the shell line in a new window and come to the front.
    static QString terminalScript(const QString& folder, const QString& commandLine);

private:
    std::shared_ptr<SystemTools> m_tools;
};

} // namespace tidewell
