#include "platform/linux/LinuxDesktop.h"

#include "platform/Diagnostics.h"
#include "platform/SystemTools.h"

#include <QFileInfo>

namespace tidewell {

namespace {

void printFailure(const QString& applicationName, const QString& reason)
{
    const QString line = QStringLiteral("Failed to launch application: ") + applicationName +
                         QStringLiteral(" (") + reason + QStringLiteral(")");
    Diagnostics::writeLine(line);
}

const QString kTerminalName = QStringLiteral("Terminal");
const QString kNoTerminal = QStringLiteral("no terminal emulator found");

} // namespace

LinuxDesktop::LinuxDesktop(std::shared_ptr<SystemTools> tools, ProgramLookup lookup)
    : m_tools(std::move(tools)), m_lookup(lookup), m_terminals(std::move(lookup))
{}

void LinuxDesktop::openUrl(const QUrl& url)
{
    launch(QStringLiteral("xdg-open"), QStringLiteral("xdg-open"), {url.toString(QUrl::FullyEncoded)});
}

void LinuxDesktop::openFolder(const QString& folder)
{
    launch(QStringLiteral("xdg-open"), QStringLiteral("xdg-open"),
           {QUrl::fromLocalFile(folder).toString(QUrl::FullyEncoded)});
}

void LinuxDesktop::openWithApplication(const QString& applicationName, const QString& folder)
{
    if (applicationName == QLatin1String("Visual Studio Code")) {
        launch(applicationName, QStringLiteral("code"), {folder});
        return;
    }
    if (applicationName == QLatin1String("Cursor")) {
        launch(applicationName, QStringLiteral("cursor"), {folder});
        return;
    }
    if (applicationName != kTerminalName) {
        printFailure(applicationName, QStringLiteral("unknown application"));
        return;
    }
    const auto terminal = m_terminals.find();
    if (!terminal) {
        printFailure(applicationName, kNoTerminal);
        return;
    }
    // The working directory serves the terminals without a folder option, and the option serves
    // those (like gnome-terminal) whose window belongs to a server with a directory of its own.
    if (!m_tools->startDetached(terminal->program, terminal->folderArguments(folder), folder))
        printFailure(applicationName,
                     terminal->program + QStringLiteral(" could not be started in ") + folder);
}

void LinuxDesktop::runInNewTerminal(const QString& folder, const QString& commandLine)
{
    const auto terminal = m_terminals.find();
    if (!terminal) {
        printFailure(kTerminalName, kNoTerminal);
        return;
    }
    // No working directory and no folder option: the folder may be gone, and then the shell's own
    // `cd` error in the window is the report the user sees.
    const QStringList arguments = terminal->runArguments(
        scriptShell(), {QStringLiteral("-c"), terminalScript(), terminalScriptName(), folder, commandLine});
    if (!m_tools->startDetached(terminal->program, arguments))
        printFailure(kTerminalName, terminal->program + QStringLiteral(" could not be started"));
}

QString LinuxDesktop::terminalScript()
{
    // INT is caught so that stopping the server with Ctrl-C ends the server, not the window; the
    // final interactive shell keeps the window open after the command ends, in the folder.
    return QStringLiteral(
        R"(trap : INT; cd -- "$1" && eval "$2"; trap - INT; exec "${SHELL:-/bin/bash}" -i)");
}

QString LinuxDesktop::terminalScriptName()
{
    return QStringLiteral("tidewell");
}

QString LinuxDesktop::scriptShell() const
{
    static const QStringList posixShells{QStringLiteral("bash"), QStringLiteral("zsh"),
                                         QStringLiteral("sh"),   QStringLiteral("dash"),
                                         QStringLiteral("ksh"),  QStringLiteral("mksh")};
    const QString userShell = m_lookup.findExecutable(m_lookup.value(QStringLiteral("SHELL")));
    if (!userShell.isEmpty() && posixShells.contains(QFileInfo(userShell).fileName()))
        return userShell;
    return QStringLiteral("/bin/bash");
}

void LinuxDesktop::launch(const QString& applicationName, const QString& programName,
                          const QStringList& arguments)
{
    const QString program = m_lookup.findExecutable(programName);
    if (program.isEmpty()) {
        printFailure(applicationName, programName + QStringLiteral(" not found"));
        return;
    }
    if (!m_tools->startDetached(program, arguments))
        printFailure(applicationName, program + QStringLiteral(" could not be started"));
}

} // namespace tidewell
