#include "platform/linux/ProcFs.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace tidewell::procfs {

QByteArray readFile(const char* path, qsizetype limit)
{
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    QByteArray content;
    char buffer[8192];
    while (content.size() < limit) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        content.append(buffer, std::min<qsizetype>(n, limit - content.size()));
    }
    ::close(fd);
    return content;
}

QByteArray readLink(const char* path)
{
    char buffer[4096];
    const ssize_t n = ::readlink(path, buffer, sizeof buffer);
    if (n <= 0)
        return {};
    return QByteArray(buffer, n);
}

QList<long> numericEntries(const char* folder)
{
    QList<long> entries;
    DIR* dir = ::opendir(folder);
    if (!dir)
        return entries;
    while (const dirent* entry = ::readdir(dir)) {
        char* end = nullptr;
        const long value = std::strtol(entry->d_name, &end, 10);
        if (end != entry->d_name && *end == '\0')
            entries.append(value);
    }
    ::closedir(dir);
    std::sort(entries.begin(), entries.end());
    return entries;
}

// Links are read relative to the open folder, which spares the kernel a path walk per descriptor.
QList<std::pair<long, quint64>> socketInodes(const char* fdFolder)
{
    QList<std::pair<long, quint64>> sockets;
    DIR* dir = ::opendir(fdFolder);
    if (!dir)
        return sockets;
    static constexpr char kSocketPrefix[] = "socket:[";
    constexpr size_t kPrefixLength = sizeof kSocketPrefix - 1;
    char target[64];
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] < '0' || entry->d_name[0] > '9')
            continue;
        const ssize_t length = ::readlinkat(::dirfd(dir), entry->d_name, target, sizeof target - 1);
        if (length <= ssize_t(kPrefixLength) || std::memcmp(target, kSocketPrefix, kPrefixLength) != 0)
            continue;
        target[length] = '\0';
        char* end = nullptr;
        const unsigned long long inode = std::strtoull(target + kPrefixLength, &end, 10);
        if (*end == ']')
            sockets.append({std::strtol(entry->d_name, nullptr, 10), inode});
    }
    ::closedir(dir);
    return sockets;
}

std::optional<ProcessStat> parseStat(const QByteArray& content)
{
    // The name may itself hold spaces and parentheses, so it is cut between the first "(" and
    // the last ")"; the numeric fields follow the last ")".
    const qsizetype open = content.indexOf('(');
    const qsizetype close = content.lastIndexOf(')');
    if (open < 0 || close < open)
        return std::nullopt;
    ProcessStat stat;
    stat.comm = content.mid(open + 1, close - open - 1);
    // After ")" come: state(3) ppid(4) ... utime(14) stime(15) ... starttime(22).
    const QList<QByteArray> fields = content.mid(close + 2).split(' ');
    if (fields.size() < 22)
        return std::nullopt;
    auto field = [&fields](int number) { return fields[number - 3]; };
    bool ok = false;
    stat.parentPid = field(4).toLong(&ok);
    if (!ok)
        return std::nullopt;
    stat.userTicks = field(14).toULongLong();
    stat.systemTicks = field(15).toULongLong();
    stat.startTicks = field(22).toULongLong();
    return stat;
}

std::optional<ProcessStat> readStat(long pid)
{
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%ld/stat", pid);
    return parseStat(readFile(path, 4096));
}

} // namespace tidewell::procfs
