#include "platform/ShellCommandLine.h"

namespace tidewell {

// Written out rather than as a pattern, whose compiling alone costs a short listing a quarter of a
// millisecond.
bool looksLikeShell(const QString& commandLine)
{
    static constexpr QLatin1StringView kShells[] = {QLatin1StringView("sh"),   QLatin1StringView("bash"),
                                                    QLatin1StringView("zsh"),  QLatin1StringView("csh"),
                                                    QLatin1StringView("tcsh"), QLatin1StringView("fish"),
                                                    QLatin1StringView("ksh")};
    const auto isWordCharacter = [](QChar c) {
        return c.unicode() < 128 && (c.isLetterOrNumber() || c == QLatin1Char('_'));
    };
    const QStringView text(commandLine);
    for (qsizetype slash = text.indexOf(QLatin1Char('/')); slash >= 0;
         slash = text.indexOf(QLatin1Char('/'), slash + 1)) {
        const QStringView rest = text.sliced(slash + 1);
        for (const QLatin1StringView shell : kShells) {
            if (rest.startsWith(shell) &&
                (rest.size() == shell.size() || !isWordCharacter(rest.at(shell.size()))))
                return true;
        }
    }
    return false;
}

} // namespace tidewell
