#pragma once

#include "platform/ListeningSocketSource.h"
#include "platform/linux/SocketOwners.h"

#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <optional>

namespace tidewell {

// Lists listening sockets straight from the kernel (socket diagnostics, or /proc/net/tcp and tcp6
// where those are not available), matched to processes through the socket inodes under
// /proc/PID/fd. Gives the same rows, in the same order, as lsof would. Which process holds which
// socket is remembered between calls, so a steady refresh asks the kernel once and reads no
// process's descriptors; calls from several threads take turns.
class KernelSocketListingSource : public ListeningSocketSource
{
public:
    explicit KernelSocketListingSource(int fullWalkEvery = SocketOwners::kDefaultFullWalkEvery);
    ~KernelSocketListingSource() override;

    QList<ListeningSocket> listeningSockets() override;
    std::optional<QList<quint64>> listeningInodes() override;

    // Socket inode to lsof's NAME text ("*:3000", "127.0.0.1:5432", "[::1]:8080") for the LISTEN
    // rows of one /proc/net/tcp or tcp6 table.
    static QHash<quint64, QString> parseTcpTable(const QByteArray& table, bool ipv6);

    // Socket inode to NAME text for every listening TCP socket, read in two ways.
    static std::optional<QHash<quint64, QString>> listeningNamesFromNetlink();
    static QHash<quint64, QString> listeningNamesFromProcNet();

    // How the last listing found its owners; for tests and benchmarks.
    SocketOwners::Walk lastWalk() const { return m_owners.lastWalk(); }

private:
    struct Listener
    {
        QString name;
        int port = -1;
    };

    QMutex m_mutex;
    QHash<quint64, Listener> m_names;
    SocketOwners m_owners;
    // The last listing and the sockets socket diagnostics gave for it, in the kernel's order.
    std::optional<QList<quint64>> m_lastInodes;
    QList<ListeningSocket> m_lastRows;
};

} // namespace tidewell
