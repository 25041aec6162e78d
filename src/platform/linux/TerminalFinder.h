#pragma once

#include "platform/linux/ProgramLookup.h"

#include <QStringList>
#include <optional>

namespace tidewell {

// Picks the user's terminal emulator and knows how each one is told which folder to start in and
// which program to run.
class TerminalFinder
{
public:
    // The families of command-line conventions among the terminals we know.
    enum class Kind
    {
        generic, // `-e program args...`, no folder option: the Debian x-terminal-emulator contract
        xterm,
        gnomeTerminal,
        konsole,
        xfce4Terminal,
        kitty,
        alacritty
    };

    struct Terminal
    {
        QString program; // absolute path
        Kind kind = Kind::generic;

        // Options that open the window in `folder`; empty for terminals that have none and start
        // in their own working directory instead.
        QStringList folderArguments(const QString& folder) const;
        // Options that have the window run `command` with `arguments`, each passed as one argument.
        QStringList runArguments(const QString& command, const QStringList& arguments) const;

        bool operator==(const Terminal&) const = default;
    };

    explicit TerminalFinder(ProgramLookup lookup);

    // $TERMINAL (a name or a path) first, then the usual terminals in a fixed order.
    std::optional<Terminal> find() const;
    // The conventions of a terminal, known by its file name; unknown names are `generic`.
    static Kind kindOf(const QString& program);
    // The names tried after $TERMINAL, in order.
    static QStringList candidateNames();

private:
    ProgramLookup m_lookup;
};

} // namespace tidewell
