#include "platform/linux/LinuxDesktop.h"

#include "platform/LogCategories.h"
#include "platform/SystemTools.h"

#include <QFileInfo>
#include <QMimeDatabase>

namespace tidewell {

namespace {

// One diagnostic line, and the reason for the window.
void fail(const QString& applicationName, const QString& reason, const Desktop::Failure& onFailure)
{
    qCWarning(lcDesktop).noquote() << (QStringLiteral("Failed to launch application: ") + applicationName +
                                       QStringLiteral(" (") + reason + QStringLiteral(")"));
    if (onFailure)
        onFailure(reason);
}

const QString kTerminalName = QStringLiteral("Terminal");
const QString kNoTerminal = QStringLiteral("no terminal emulator found");

// The editors the actions name, and the launcher each installs on PATH.
const QList<std::pair<QString, QString>>& editorLaunchers()
{
    static const QList<std::pair<QString, QString>> editors{
        {QStringLiteral("Visual Studio Code"), QStringLiteral("code")},
        {QStringLiteral("Cursor"), QStringLiteral("cursor")}};
    return editors;
}

} // namespace

LinuxDesktop::LinuxDesktop(std::shared_ptr<SystemTools> tools, ProgramLookup lookup)
    : m_tools(std::move(tools)), m_lookup(lookup), m_terminals(std::move(lookup))
{}

void LinuxDesktop::openUrl(const QUrl& url, Failure onFailure)
{
    launch(QStringLiteral("xdg-open"), QStringLiteral("xdg-open"), {url.toString(QUrl::FullyEncoded)},
           onFailure);
}

void LinuxDesktop::openFolder(const QString& folder, Failure onFailure)
{
    launch(QStringLiteral("xdg-open"), QStringLiteral("xdg-open"),
           {QUrl::fromLocalFile(folder).toString(QUrl::FullyEncoded)}, onFailure);
}

void LinuxDesktop::openWithApplication(const QString& applicationName, const QString& folder,
                                       Failure onFailure)
{
    for (const auto& [editor, launcher] : editorLaunchers()) {
        if (applicationName == editor) {
            launch(applicationName, launcher, {folder}, onFailure);
            return;
        }
    }
    if (applicationName != kTerminalName) {
        fail(applicationName, QStringLiteral("unknown application"), onFailure);
        return;
    }
    const auto terminal = m_terminals.find();
    if (!terminal) {
        fail(applicationName, kNoTerminal, onFailure);
        return;
    }
    // The working directory serves the terminals without a folder option, and the option serves
    // those (like gnome-terminal) whose window belongs to a server with a directory of its own.
    launch(applicationName, terminal->program, terminal->folderArguments(folder), onFailure, folder);
}

void LinuxDesktop::runInNewTerminal(const QString& folder, const QString& commandLine, Failure onFailure)
{
    const auto terminal = m_terminals.find();
    if (!terminal) {
        fail(kTerminalName, kNoTerminal, onFailure);
        return;
    }
    // No working directory and no folder option: the folder may be gone, and then the shell's own
    // `cd` error in the window is the report the user sees.
    const QStringList arguments = terminal->runArguments(
        scriptShell(), {QStringLiteral("-c"), terminalScript(), terminalScriptName(), folder, commandLine});
    launch(kTerminalName, terminal->program, arguments, onFailure);
}

bool LinuxDesktop::hasOpenerFor(const QString& path)
{
    const QMimeType type = QMimeDatabase().mimeTypeForFile(path);
    if (!type.isValid() || type.isDefault())
        return false;
    const QString xdgMime = m_lookup.findExecutable(QStringLiteral("xdg-mime"));
    // Without the tool to ask, the opener is left to decide.
    if (xdgMime.isEmpty())
        return true;
    return !m_tools->runAndRead(xdgMime, {QStringLiteral("query"), QStringLiteral("default"), type.name()})
                .trimmed()
                .isEmpty();
}

QStringList LinuxDesktop::installedEditors()
{
    QStringList installed;
    for (const auto& [editor, launcher] : editorLaunchers()) {
        if (!m_lookup.findExecutable(launcher).isEmpty())
            installed.append(editor);
    }
    return installed;
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
                          const QStringList& arguments, const Failure& onFailure,
                          const QString& workingDirectory)
{
    const QString program = m_lookup.findExecutable(programName);
    if (program.isEmpty()) {
        fail(applicationName, programName + QStringLiteral(" not found"), onFailure);
        return;
    }
    m_tools->startWatched(
        program, arguments, workingDirectory,
        [applicationName, onFailure](const QString& reason) { fail(applicationName, reason, onFailure); });
}

} // namespace tidewell
