#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <optional>

namespace tidewell {

// Which processes hold which listening sockets, learnt from /proc/PID/fd and kept between calls,
// so that a refresh in which nothing changed reads no process's descriptors. Not thread-safe: its
// owner serialises the calls.
class SocketOwners
{
public:
    static constexpr int kDefaultFullWalkEvery = 10;
    // Beyond this many processes, the rest are checked by reading their descriptors again.
    static constexpr int kMaxProcessHandles = 256;

    // One descriptor of one process that refers to a listening socket.
    struct Holder
    {
        long pid = 0;
        long fd = 0;
        quint64 inode = 0;
    };
    struct Owner
    {
        QString command; // the kernel's whole name, in lsof's escapes
        QString pidText;
        unsigned long long startTicks = 0;
        int handle = -1;         // a pidfd: readable once the process has exited
        QString executable = {}; // the target of /proc/PID/exe; empty when it may not be read
    };
    enum class Walk
    {
        none,
        partial,
        full
    };

    // Every `fullWalkEvery`-th update walks every process, which finds a socket that changed hands
    // without the set of listening sockets changing; 1 walks every time.
    explicit SocketOwners(int fullWalkEvery = kDefaultFullWalkEvery);
    ~SocketOwners();
    SocketOwners(const SocketOwners&) = delete;
    SocketOwners& operator=(const SocketOwners&) = delete;

    // Brings the map up to date with the sockets that listen now.
    void update(const QSet<quint64>& listening);
    // For a refresh whose listening sockets are those of the last one: true when no full walk is
    // due and every owner still runs (one poll of their handles), so nothing would change. It counts
    // as an update; on false, call update().
    bool confirmUnchanged();

    // Sorted by process id, then descriptor: the order lsof lists them in.
    const QList<Holder>& holders() const { return m_holders; }
    const Owner& owner(long pid) const { return m_owners.find(pid).value(); }
    Walk lastWalk() const { return m_lastWalk; }

    // What one read of a process found: its descriptors that refer to listening sockets (descriptor,
    // inode) and, when there are any, the process's name and start time; none when it has exited.
    struct ProcessRead
    {
        QList<std::pair<long, quint64>> sockets;
        std::optional<Owner> owner;
        long parentPid = 0;
    };

private:
    void forget(const QSet<quint64>& listening);
    void confirmOwners();
    bool stillHolds(long pid, const Owner& owner) const;
    void dropOwner(long pid);
    void fullWalk(const QSet<quint64>& listening);
    void partialWalk(const QSet<quint64>& listening, QSet<quint64> missing);
    // Records what was just read of process `pid`; true when it holds any listening socket.
    // `missing` loses the sockets it holds.
    bool takeProcess(long pid, const ProcessRead& read, QSet<quint64>* missing);
    void sortHolders();

    int m_fullWalkEvery;
    int m_updatesSinceFullWalk = 0;
    bool m_fullWalkDue = true;
    QList<Holder> m_holders;
    QHash<long, Owner> m_owners;
    // Listening sockets that no process we may read holds (another user's, or the kernel's).
    QSet<quint64> m_unowned;
    int m_handles = 0;
    Walk m_lastWalk = Walk::none;
    int m_processesWalked = 0;
};

} // namespace tidewell
