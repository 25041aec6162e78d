#include "remote/SshDestination.h"

namespace tidewell {

namespace {

bool isPlainWord(const QString& text)
{
    if (text.isEmpty() || text.startsWith(QLatin1Char('-')) || text.size() > 255)
        return false;
    return std::none_of(text.cbegin(), text.cend(), [](QChar c) {
        return c.isSpace() || c.category() == QChar::Other_Control || c == QLatin1Char('\'') ||
               c == QLatin1Char('"') || c == QLatin1Char('\\');
    });
}

std::optional<int> portNumber(const QString& text)
{
    bool ok = false;
    const int port = text.toInt(&ok, 10);
    if (!ok || port < 1 || port > 65535 || text.startsWith(QLatin1Char('+')) || text.trimmed() != text)
        return std::nullopt;
    return port;
}

} // namespace

std::optional<SshDestination> SshDestination::parse(const QString& text)
{
    if (!isPlainWord(text))
        return std::nullopt;
    SshDestination destination;
    destination.m_text = text;
    destination.m_host = text;
    // An IPv6 address is written in brackets when a port follows it ("[::1]:2222").
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    const bool bracketed = text.contains(QLatin1Char('['));
    if (colon > 0 && (!text.left(colon).contains(QLatin1Char(':')) || bracketed)) {
        const auto port = portNumber(text.mid(colon + 1));
        if (!port)
            return std::nullopt;
        destination.m_port = *port;
        destination.m_host = text.left(colon);
        destination.m_host.remove(QLatin1Char('[')).remove(QLatin1Char(']'));
    }
    const QString host = destination.m_host.mid(destination.m_host.indexOf(QLatin1Char('@')) + 1);
    if (host.isEmpty() || destination.m_host.startsWith(QLatin1Char('@')) || !isPlainWord(destination.m_host))
        return std::nullopt;
    return destination;
}

std::optional<std::pair<SshDestination, int>> SshDestination::parseWithPort(const QString& text)
{
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0)
        return std::nullopt;
    const auto port = portNumber(text.mid(colon + 1));
    const auto destination = parse(text.left(colon));
    if (!port || !destination)
        return std::nullopt;
    return std::pair{*destination, *port};
}

QStringList SshDestination::sshArguments() const
{
    QStringList arguments;
    if (m_port != 0)
        arguments << QStringLiteral("-p") << QString::number(m_port);
    arguments << QStringLiteral("--") << m_host;
    return arguments;
}

} // namespace tidewell
