#include "platform/linux/SocketOwners.h"

#include "platform/linux/LsofCommandName.h"
#include "platform/linux/ProcFs.h"

#include <QRunnable>
#include <QSemaphore>
#include <QThread>
#include <QThreadPool>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

namespace tidewell {

namespace {

constexpr char kSocketPrefix[] = "socket:[";
constexpr size_t kPrefixLength = sizeof kSocketPrefix - 1;

// The inode of a "socket:[N]" link text, or 0.
quint64 socketInode(const char* target, ssize_t length)
{
    if (length <= ssize_t(kPrefixLength) || std::memcmp(target, kSocketPrefix, kPrefixLength) != 0)
        return 0;
    char* end = nullptr;
    const unsigned long long inode = std::strtoull(target + kPrefixLength, &end, 10);
    return *end == ']' ? inode : 0;
}

// /proc, opened once for a walk: each process's folder is reached relative to it. Since Linux 6.2
// the size of /proc/PID/fd is the number of descriptors open in it, which lets a walk pass over a
// process without any (the kernel's own threads, most of the processes on a quiet machine) with one
// call instead of opening, reading and closing its folder.
struct ProcRoot
{
    int fd = ::open("/proc", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    bool countsDescriptors = [this] {
        struct stat own;
        return fd >= 0 && ::fstatat(fd, "self/fd", &own, 0) == 0 && own.st_size > 0;
    }();

    ProcRoot() = default;
    ~ProcRoot()
    {
        if (fd >= 0)
            ::close(fd);
    }
    ProcRoot(const ProcRoot&) = delete;
    ProcRoot& operator=(const ProcRoot&) = delete;
};

// The descriptors of one process that are listening sockets, with their inodes, and the process
// itself when it holds any. Links are read relative to the open folder, which spares the kernel a
// path walk per descriptor. Whether we may read them is decided for the whole process: the first
// refusal ends its reading, which spares a process we may not read one call per descriptor.
SocketOwners::ProcessRead readProcess(const ProcRoot& root, long pid, const QSet<quint64>& listening)
{
    SocketOwners::ProcessRead read;
    QList<std::pair<long, quint64>>& sockets = read.sockets;
    char folder[32];
    std::snprintf(folder, sizeof folder, "%ld/fd", pid);
    if (root.countsDescriptors) {
        struct stat descriptors;
        if (::fstatat(root.fd, folder, &descriptors, 0) != 0 || descriptors.st_size == 0)
            return read;
    }
    const int dir = ::openat(root.fd, folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return read;
    // The entries are read straight into this buffer: no allocation per process.
    alignas(dirent64) char entries[8192];
    char target[64];
    bool refused = false;
    for (ssize_t size; !refused && (size = ::getdents64(dir, entries, sizeof entries)) > 0;) {
        for (ssize_t offset = 0; offset < size;) {
            const auto* entry = reinterpret_cast<const dirent64*>(entries + offset);
            offset += entry->d_reclen;
            if (entry->d_name[0] < '0' || entry->d_name[0] > '9')
                continue;
            const ssize_t length = ::readlinkat(dir, entry->d_name, target, sizeof target - 1);
            if (length < 0 && (errno == EACCES || errno == EPERM)) {
                refused = true;
                break;
            }
            if (length <= 0)
                continue;
            target[length] = '\0';
            if (const quint64 inode = socketInode(target, length); listening.contains(inode))
                sockets.append({std::strtol(entry->d_name, nullptr, 10), inode});
        }
    }
    ::close(dir);
    if (!sockets.isEmpty()) {
        if (const auto stat = procfs::readStat(pid)) {
            std::snprintf(folder, sizeof folder, "%ld/exe", pid);
            char executable[4096];
            const ssize_t length = ::readlinkat(root.fd, folder, executable, sizeof executable);
            read.owner =
                SocketOwners::Owner{escapedCommandName(stat->comm), QString::number(pid), stat->startTicks,
                                    -1, length > 0 ? QString::fromUtf8(executable, length) : QString()};
            read.parentPid = stat->parentPid;
        }
    }
    return read;
}

// Each of `pids` read, in their order. A walk of every process is mostly the kernel answering
// readlink, so a job on the pool shares it while this thread does its own part; when the pool is
// busy, this thread does it all and waits for nothing.
std::vector<SocketOwners::ProcessRead> readProcesses(const QList<long>& pids, const QSet<quint64>& listening)
{
    std::vector<SocketOwners::ProcessRead> found(size_t(pids.size()));
    std::atomic<qsizetype> next{0};
    const ProcRoot root;
    const auto work = [&] {
        for (qsizetype i = next++; i < pids.size(); i = next++)
            found[size_t(i)] = readProcess(root, pids.at(i), listening);
    };
    constexpr qsizetype kShareFrom = 64;
    if (pids.size() < kShareFrom || QThread::idealThreadCount() < 2) {
        work();
        return found;
    }
    QSemaphore done;
    const std::unique_ptr<QRunnable> helper(QRunnable::create([&] {
        work();
        done.release();
    }));
    helper->setAutoDelete(false);
    QThreadPool* const pool = QThreadPool::globalInstance();
    pool->start(helper.get());
    work();
    if (!pool->tryTake(helper.get()))
        done.acquire();
    return found;
}

// A handle that becomes readable when the process exits, and that no later process can reuse
// the way it can reuse a pid: one poll() tells which of many owners are gone.
int openProcessHandle(long pid)
{
#ifdef SYS_pidfd_open
    return int(::syscall(SYS_pidfd_open, pid_t(pid), 0));
#else
    Q_UNUSED(pid);
    return -1;
#endif
}

} // namespace

SocketOwners::SocketOwners(int fullWalkEvery) : m_fullWalkEvery(std::max(1, fullWalkEvery)) {}

SocketOwners::~SocketOwners()
{
    for (const Owner& owner : std::as_const(m_owners)) {
        if (owner.handle >= 0)
            ::close(owner.handle);
    }
}

void SocketOwners::update(const QSet<quint64>& listening)
{
    m_lastWalk = Walk::none;
    m_processesWalked = 0;
    if (m_fullWalkDue || ++m_updatesSinceFullWalk >= m_fullWalkEvery) {
        fullWalk(listening);
        return;
    }
    forget(listening);
    confirmOwners();
    QSet<quint64> missing = listening;
    for (const Holder& holder : std::as_const(m_holders))
        missing.remove(holder.inode);
    missing.subtract(m_unowned);
    if (!missing.isEmpty())
        partialWalk(listening, std::move(missing));
}

bool SocketOwners::confirmUnchanged()
{
    if (m_fullWalkDue || m_updatesSinceFullWalk + 1 >= m_fullWalkEvery)
        return false;
    const qsizetype owners = m_owners.size();
    confirmOwners();
    // An owner gone may have left its sockets to a child: update() looks for them.
    if (m_owners.size() != owners)
        return false;
    ++m_updatesSinceFullWalk;
    m_lastWalk = Walk::none;
    m_processesWalked = 0;
    return true;
}

// Sockets that stopped listening lose their holders; owners left with none are let go.
void SocketOwners::forget(const QSet<quint64>& listening)
{
    m_unowned.intersect(listening);
    QSet<long> stillOwning;
    m_holders.removeIf([&](const Holder& holder) {
        if (!listening.contains(holder.inode))
            return true;
        stillOwning.insert(holder.pid);
        return false;
    });
    if (stillOwning.size() == m_owners.size())
        return;
    QList<long> idle;
    for (auto it = m_owners.cbegin(); it != m_owners.cend(); ++it) {
        if (!stillOwning.contains(it.key()))
            idle.append(it.key());
    }
    for (const long pid : std::as_const(idle))
        dropOwner(pid);
}

// An owner that has exited is dropped with its sockets, which makes them missing; a socket it
// handed on is then found by the walk that follows.
void SocketOwners::confirmOwners()
{
    std::vector<pollfd> handles;
    std::vector<long> handlePids;
    QList<long> gone;
    for (auto it = m_owners.cbegin(); it != m_owners.cend(); ++it) {
        if (it->handle >= 0) {
            handles.push_back(pollfd{it->handle, POLLIN, 0});
            handlePids.push_back(it.key());
        } else if (!stillHolds(it.key(), it.value())) {
            gone.append(it.key());
        }
    }
    if (!handles.empty() && ::poll(handles.data(), nfds_t(handles.size()), 0) > 0) {
        for (size_t i = 0; i < handles.size(); ++i) {
            if (handles[i].revents != 0)
                gone.append(handlePids[i]);
        }
    }
    for (const long pid : std::as_const(gone))
        dropOwner(pid);
}

// Without a handle: the same start time (so not a new process under a reused pid), and each
// known descriptor still the same socket.
bool SocketOwners::stillHolds(long pid, const Owner& owner) const
{
    const auto stat = procfs::readStat(pid);
    if (!stat || stat->startTicks != owner.startTicks)
        return false;
    char path[64];
    char target[64];
    for (const Holder& holder : m_holders) {
        if (holder.pid != pid)
            continue;
        std::snprintf(path, sizeof path, "/proc/%ld/fd/%ld", pid, holder.fd);
        const ssize_t length = ::readlink(path, target, sizeof target - 1);
        if (length <= 0)
            return false;
        target[length] = '\0';
        if (socketInode(target, length) != holder.inode)
            return false;
    }
    return true;
}

void SocketOwners::dropOwner(long pid)
{
    const auto owner = m_owners.constFind(pid);
    if (owner == m_owners.cend())
        return;
    if (owner->handle >= 0) {
        ::close(owner->handle);
        --m_handles;
    }
    m_owners.erase(owner);
    m_holders.removeIf([pid](const Holder& holder) { return holder.pid == pid; });
}

void SocketOwners::fullWalk(const QSet<quint64>& listening)
{
    m_lastWalk = Walk::full;
    m_fullWalkDue = false;
    m_updatesSinceFullWalk = 0;
    QHash<long, Owner> previous = std::exchange(m_owners, {});
    m_holders.clear();
    if (!listening.isEmpty()) {
        const QList<long> pids = procfs::numericEntries("/proc");
        const std::vector<ProcessRead> reads = readProcesses(pids, listening);
        for (qsizetype i = 0; i < pids.size(); ++i) {
            const long pid = pids.at(i);
            ++m_processesWalked;
            const auto old = previous.find(pid);
            // A process seen before under this pid keeps its handle only if it is the same one.
            Owner kept;
            if (old != previous.end())
                kept = std::exchange(old.value(), Owner{});
            const bool owns = takeProcess(pid, reads[size_t(i)], nullptr);
            if (owns && kept.handle >= 0 && m_owners[pid].startTicks == kept.startTicks)
                std::swap(m_owners[pid].handle, kept.handle);
            if (kept.handle >= 0)
                ::close(kept.handle);
        }
    }
    for (const Owner& owner : std::as_const(previous)) {
        if (owner.handle >= 0)
            ::close(owner.handle);
    }
    m_handles = 0;
    for (Owner& owner : m_owners) {
        if (owner.handle < 0 && m_handles < kMaxProcessHandles)
            owner.handle = openProcessHandle(owner.pidText.toLong());
        if (owner.handle >= 0)
            ++m_handles;
    }
    m_unowned = listening;
    for (const Holder& holder : std::as_const(m_holders))
        m_unowned.remove(holder.inode);
    sortHolders();
}

// Newest processes first, as a socket that appeared since the last update most likely belongs to
// a process started since; the walk ends once every missing socket has an owner. Other holders of
// the same socket (workers forked from it) are left to a full walk, which the next update makes.
void SocketOwners::partialWalk(const QSet<quint64>& listening, QSet<quint64> missing)
{
    m_lastWalk = Walk::partial;
    const QList<long> pids = procfs::numericEntries("/proc");
    const ProcRoot root;
    QSet<long> parentsRead;
    for (auto it = pids.crbegin(); it != pids.crend() && !missing.isEmpty(); ++it) {
        ++m_processesWalked;
        if (parentsRead.contains(*it))
            continue;
        const ProcessRead read = readProcess(root, *it, listening);
        if (!takeProcess(*it, read, &missing))
            continue;
        // A socket is shared mostly with the parent that made it and forked this holder (a reloader,
        // a master process): reading the parent now lists both from the start, so that the row of
        // the server does not change hands at the next full walk.
        if (read.parentPid > 1 && !parentsRead.contains(read.parentPid)) {
            parentsRead.insert(read.parentPid);
            takeProcess(read.parentPid, readProcess(root, read.parentPid, listening), &missing);
        }
    }
    if (m_processesWalked < pids.size())
        m_fullWalkDue = true;
    // A complete walk that did not find a socket will not find it next time either.
    m_unowned.unite(missing);
    for (Owner& owner : m_owners) {
        if (owner.handle < 0 && m_handles < kMaxProcessHandles) {
            owner.handle = openProcessHandle(owner.pidText.toLong());
            if (owner.handle >= 0)
                ++m_handles;
        }
    }
    sortHolders();
}

bool SocketOwners::takeProcess(long pid, const ProcessRead& read, QSet<quint64>* missing)
{
    QList<Holder> found;
    for (const auto& [fd, inode] : read.sockets)
        found.append(Holder{pid, fd, inode});
    const bool known = m_owners.contains(pid);
    if (found.isEmpty()) {
        if (known)
            dropOwner(pid);
        return false;
    }
    if (!known) {
        if (!read.owner)
            return false; // the process has just exited
        m_owners.insert(pid, *read.owner);
    } else {
        // This process's descriptors are read afresh, so its old entries go.
        m_holders.removeIf([pid](const Holder& holder) { return holder.pid == pid; });
    }
    for (const Holder& holder : std::as_const(found)) {
        if (missing)
            missing->remove(holder.inode);
        m_holders.append(holder);
    }
    return true;
}

void SocketOwners::sortHolders()
{
    std::sort(m_holders.begin(), m_holders.end(),
              [](const Holder& a, const Holder& b) { return a.pid != b.pid ? a.pid < b.pid : a.fd < b.fd; });
}

} // namespace tidewell
