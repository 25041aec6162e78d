#pragma once

#include "platform/ListeningSocketSource.h"

#include <QByteArray>
#include <QHash>

namespace tidewell {

// Lists listening sockets from /proc/net/tcp and /proc/net/tcp6, matched to processes through the
// socket inodes under /proc/PID/fd. Gives the same rows, in the same order, as lsof would.
class ProcNetListingSource : public ListeningSocketSource
{
public:
    QList<ListeningSocket> listeningSockets() override;

    // Socket inode to lsof's NAME text ("*:3000", "127.0.0.1:5432", "[::1]:8080") for the LISTEN
    // rows of one /proc/net/tcp or tcp6 table.
    static QHash<quint64, QString> parseTcpTable(const QByteArray& table, bool ipv6);
};

} // namespace tidewell
