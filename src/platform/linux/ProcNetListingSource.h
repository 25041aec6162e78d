#pragma once

#include "platform/ListeningSocketSource.h"

#include <QByteArray>
#include <QHash>
#include <optional>

namespace tidewell {

// Lists listening sockets straight from the kernel (socket diagnostics, or /proc/net/tcp and tcp6
// where those are not available), matched to processes through the socket inodes under
// /proc/PID/fd. Gives the same rows, in the same order, as lsof would.
class ProcNetListingSource : public ListeningSocketSource
{
public:
    QList<ListeningSocket> listeningSockets() override;

    // Socket inode to lsof's NAME text ("*:3000", "127.0.0.1:5432", "[::1]:8080") for the LISTEN
    // rows of one /proc/net/tcp or tcp6 table.
    static QHash<quint64, QString> parseTcpTable(const QByteArray& table, bool ipv6);

    // Socket inode to NAME text for every listening TCP socket, read in two ways.
    static std::optional<QHash<quint64, QString>> listeningNamesFromNetlink();
    static QHash<quint64, QString> listeningNamesFromProcNet();
};

} // namespace tidewell
