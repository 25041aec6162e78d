#include "platform/linux/TerminalFinder.h"

#include <QFileInfo>

namespace tidewell {

QStringList TerminalFinder::Terminal::folderArguments(const QString& folder) const
{
    switch (kind) {
    case Kind::gnomeTerminal:
    case Kind::xfce4Terminal:
        // One argument: both split "--working-directory=" at the first '=' only.
        return {QStringLiteral("--working-directory=") + folder};
    case Kind::konsole:
        return {QStringLiteral("--workdir"), folder};
    case Kind::kitty:
        return {QStringLiteral("--directory"), folder};
    case Kind::alacritty:
        return {QStringLiteral("--working-directory"), folder};
    case Kind::generic:
    case Kind::xterm:
        break;
    }
    return {};
}

QStringList TerminalFinder::Terminal::runArguments(const QString& command, const QStringList& arguments) const
{
    switch (kind) {
    case Kind::gnomeTerminal:
        // Its `-e` takes one text that it splits itself; `--` passes the words as they are.
        return QStringList{QStringLiteral("--"), command} + arguments;
    case Kind::xfce4Terminal:
        // Likewise `-x` instead of the one-text `-e`.
        return QStringList{QStringLiteral("-x"), command} + arguments;
    case Kind::kitty:
        return QStringList{command} + arguments;
    case Kind::generic:
    case Kind::xterm:
    case Kind::konsole:
    case Kind::alacritty:
        break;
    }
    return QStringList{QStringLiteral("-e"), command} + arguments;
}

TerminalFinder::TerminalFinder(ProgramLookup lookup) : m_lookup(std::move(lookup)) {}

std::optional<TerminalFinder::Terminal> TerminalFinder::find() const
{
    QStringList names{m_lookup.value(QStringLiteral("TERMINAL")).trimmed()};
    names += candidateNames();
    for (const QString& name : names) {
        const QString program = m_lookup.findExecutable(name);
        if (!program.isEmpty())
            return Terminal{program, kindOf(program)};
    }
    return std::nullopt;
}

TerminalFinder::Kind TerminalFinder::kindOf(const QString& program)
{
    const QString name = QFileInfo(program).fileName();
    if (name == QLatin1String("xterm"))
        return Kind::xterm;
    if (name == QLatin1String("gnome-terminal"))
        return Kind::gnomeTerminal;
    if (name == QLatin1String("konsole"))
        return Kind::konsole;
    if (name == QLatin1String("xfce4-terminal"))
        return Kind::xfce4Terminal;
    if (name == QLatin1String("kitty"))
        return Kind::kitty;
    if (name == QLatin1String("alacritty"))
        return Kind::alacritty;
    return Kind::generic;
}

QStringList TerminalFinder::candidateNames()
{
    return {QStringLiteral("x-terminal-emulator"),
            QStringLiteral("gnome-terminal"),
            QStringLiteral("konsole"),
            QStringLiteral("xfce4-terminal"),
            QStringLiteral("kitty"),
            QStringLiteral("alacritty"),
            QStringLiteral("xterm")};
}

} // namespace tidewell
