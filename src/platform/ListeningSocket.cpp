#include "platform/ListeningSocket.h"

#include "records/TextDecoding.h"

namespace tidewell {

std::optional<ListeningSocket> parseLsofLine(QStringView line)
{
    const auto pieces = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (pieces.size() < 9)
        return std::nullopt;
    ListeningSocket socket{pieces[0].toString(), pieces[1].toString(), pieces[8].toString()};
    // DEVICE: the socket's inode on Linux, its kernel address ("0x…") on macOS.
    const QStringView device = pieces[5];
    bool ok = false;
    socket.socketInode = device.startsWith(QLatin1String("0x")) ? device.sliced(2).toULongLong(&ok, 16)
                                                                : device.toULongLong(&ok, 10);
    if (!ok)
        socket.socketInode = 0;
    return socket;
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
