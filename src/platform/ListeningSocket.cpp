#include "platform/ListeningSocket.h"

#include "platform/TextDecoding.h"

namespace tidewell {

std::optional<ListeningSocket> parseLsofLine(QStringView line)
{
    const auto pieces = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (pieces.size() < 9)
        return std::nullopt;
    return ListeningSocket{pieces[0].toString(), pieces[1].toString(), pieces[8].toString()};
}

QList<ListeningSocket> parseLsofListing(const QByteArray& output)
{
    const QString text = decodeUtf8OrEmpty(output);
    const auto lines = QStringView(text).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QList<ListeningSocket> sockets;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (auto socket = parseLsofLine(lines[i]))
            sockets.append(*socket);
    }
    return sockets;
}

} // namespace tidewell
