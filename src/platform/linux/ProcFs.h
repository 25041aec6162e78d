#pragma once

#include <QByteArray>
#include <QList>
#include <optional>
#include <utility>

namespace tidewell::procfs {

// Small, allocation-light readers of /proc. Every function returns nothing (or empty) when the
// entry cannot be read, which is what happens when a process exits between two reads.

QByteArray readFile(const char* path, qsizetype limit = 1 << 20);
QByteArray readLink(const char* path);
// The numeric entries of a /proc folder (process ids or fd numbers), ascending.
QList<long> numericEntries(const char* folder);
// The descriptors under a /proc/PID/fd folder that are sockets, as (fd number, socket inode).
QList<std::pair<long, quint64>> socketInodes(const char* fdFolder);

// The fields of /proc/PID/stat that this program uses.
struct ProcessStat
{
    QByteArray comm; // between the first "(" and the last ")"
    long parentPid = 0;
    unsigned long long userTicks = 0;
    unsigned long long systemTicks = 0;
    unsigned long long startTicks = 0;
};

std::optional<ProcessStat> parseStat(const QByteArray& content);
std::optional<ProcessStat> readStat(long pid);

} // namespace tidewell::procfs
