#include "platform/commands/MacDesktop.h"

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

void MacDesktop::openUrl(const QUrl& url)
{
    m_tools->startDetached(kOpen, {url.toString(QUrl::FullyEncoded)});
}

void MacDesktop::openFolder(const QString& folder)
{
    // Encoded, so a folder with spaces is still one valid file URL.
    m_tools->startDetached(kOpen, {QUrl::fromLocalFile(folder).toString(QUrl::FullyEncoded)});
}

void MacDesktop::openWithApplication(const QString& applicationName, const QString& folder)
{
    m_tools->startDetached(kOpen, {QStringLiteral("-a"), applicationName, folder});
}

void MacDesktop::runInNewTerminal(const QString& folder, const QString& commandLine)
{
    m_tools->startDetached(kOsascript, {QStringLiteral("-e"), terminalScript(folder, commandLine)});
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
