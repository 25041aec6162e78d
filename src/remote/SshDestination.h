#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace tidewell {

// A machine as the user names it for ssh: a host name of ~/.ssh/config, `user@host`, or either with
// `:port`. Never starts with "-" and holds no white space or control character, so that it cannot be
// read by ssh as an option or split into several words.
class SshDestination
{
public:
    // Nothing when the text is not a destination.
    static std::optional<SshDestination> parse(const QString& text);
    // `DEST:PORT` of `--forward`: the destination, and the port after the last colon.
    static std::optional<std::pair<SshDestination, int>> parseWithPort(const QString& text);

    // As typed: the name shown for the machine and the key it is kept under.
    QString text() const { return m_text; }
    // What follows ssh's own options: "-p PORT" when one was given, then "--" and the host.
    QStringList sshArguments() const;

    bool operator==(const SshDestination&) const = default;

private:
    QString m_text;
    QString m_host;
    int m_port = 0;
};

} // namespace tidewell
