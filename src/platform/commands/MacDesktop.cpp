#include "platform/commands/MacDesktop.h"

#include "platform/LogCategories.h"
#include "platform/SystemTools.h"
#include "platform/commands/ShellQuoting.h"

namespace tidewell {

namespace {

const QString kOpen = QStringLiteral("/usr/bin/open");
const QString kOsascript = QStringLiteral("/usr/bin/osascript");

// Characters a POSIX shell reads as part of a plain word. Any other character (space, quotes,
// `$`, backslash, glob and control characters) would change what `cd` receives.
bool isPlainWordCharacter(QChar c)
{
    if (c.isLetterOrNumber())
        return true;
    return QStringLiteral("_@%+=:,./-").contains(c);
}

// Leaves a plain folder as it is, so the common case keeps its well-known form.
QString shellWord(const QString& text)
{
    for (const QChar c : text) {
        if (!isPlainWordCharacter(c))
            return shellQuoted(text);
    }
    return text;
}

// The inside of an AppleScript string literal: only backslash and double quote are special.
QString appleScriptStringBody(QString text)
{
    text.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    text.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return text;
}

} // namespace

MacDesktop::MacDesktop(std::shared_ptr<SystemTools> tools) : m_tools(std::move(tools)) {}

void MacDesktop::openUrl(const QUrl& url, Failure onFailure)
{
    start(kOpen, {url.toString(QUrl::FullyEncoded)}, onFailure);
}

void MacDesktop::openFolder(const QString& folder, Failure onFailure)
{
    // Encoded, so a folder with spaces is still one valid file URL.
    start(kOpen, {QUrl::fromLocalFile(folder).toString(QUrl::FullyEncoded)}, onFailure);
}

void MacDesktop::openWithApplication(const QString& applicationName, const QString& folder, Failure onFailure)
{
    start(kOpen, {QStringLiteral("-a"), applicationName, folder}, onFailure);
}

void MacDesktop::runInNewTerminal(const QString& folder, const QString& commandLine, Failure onFailure)
{
    start(kOsascript, {QStringLiteral("-e"), terminalScript(folder, commandLine)}, onFailure);
}

QStringList MacDesktop::installedEditors()
{
    // `open -Ra` only looks the application up, and fails at once when there is none.
    QStringList installed;
    for (const QString& editor : {QStringLiteral("Visual Studio Code"), QStringLiteral("Cursor")}) {
        if (m_tools
                ->runAndRead(QStringLiteral("/bin/sh"),
                             {QStringLiteral("-c"), QStringLiteral("/usr/bin/open -Ra \"$1\" && echo found"),
                              QStringLiteral("sh"), editor})
                .startsWith("found"))
            installed.append(editor);
    }
    return installed;
}

void MacDesktop::start(const QString& program, const QStringList& arguments, const Failure& onFailure)
{
    m_tools->startWatched(program, arguments, {}, [program, onFailure](const QString& reason) {
        qCWarning(lcDesktop).noquote() << (QStringLiteral("Failed to launch application: ") + program +
                                           QStringLiteral(" (") + reason + QStringLiteral(")"));
        if (onFailure)
            onFailure(reason);
    });
}

QString MacDesktop::terminalShellLine(const QString& folder, const QString& commandLine)
{
    return QStringLiteral("cd ") + shellWord(folder) + QStringLiteral(" && ") + commandLine;
}

QString MacDesktop::terminalScript(const QString& folder, const QString& commandLine)
{
    const QStringList lines{
        QStringLiteral("tell application \"Terminal\""),
        QStringLiteral("    do script \"") + appleScriptStringBody(terminalShellLine(folder, commandLine)) +
            QLatin1Char('"'),
        QStringLiteral("    activate"),
        QStringLiteral("end tell"),
    };
    return lines.join(QLatin1Char('\n'));
}

} // namespace tidewell
