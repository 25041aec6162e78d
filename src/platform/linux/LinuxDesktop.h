#pragma once

#include "platform/Desktop.h"
#include "platform/linux/ProgramLookup.h"
#include "platform/linux/TerminalFinder.h"

namespace tidewell {

// The desktop of Linux: the freedesktop opener, the editors' own launchers and the user's terminal.
// Programs are found on PATH and started directly; no shell ever sees a folder name.
class LinuxDesktop : public Desktop
{
public:
    explicit LinuxDesktop(std::shared_ptr<SystemTools> tools, ProgramLookup lookup = ProgramLookup());

    void openUrl(const QUrl& url, Failure onFailure = {}) override;
    void openFolder(const QString& folder, Failure onFailure = {}) override;
    void openWithApplication(const QString& applicationName, const QString& folder,
                             Failure onFailure = {}) override;
    void runInNewTerminal(const QString& folder, const QString& commandLine, Failure onFailure = {}) override;
    // `code` and `cursor` on PATH.
    QStringList installedEditors() override;
    // A file type of its own (not plain bytes) with a default application (`xdg-mime query default`).
    bool hasOpenerFor(const QString& path) override;

    // The script the new terminal's shell runs. It gets the folder as $1 and the command line as $2,
    // so neither is ever read as shell text except the command line, once, by `eval`.
    static QString terminalScript();
    // The name the script's shell gives itself ($0).
    static QString terminalScriptName();
    // The shell that runs the script: the user's shell when it understands the script, else bash.
    QString scriptShell() const;

private:
    // Starts a program found on PATH, or says why it could not.
    void launch(const QString& applicationName, const QString& programName, const QStringList& arguments,
                const Failure& onFailure, const QString& workingDirectory = {});

    std::shared_ptr<SystemTools> m_tools;
    ProgramLookup m_lookup;
    TerminalFinder m_terminals;
};

} // namespace tidewell
