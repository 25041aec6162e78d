#include "ProcNetListingSource.h"

#include "LsofCommandName.h"
#include "ProcFs.h"

#include <arpa/inet.h>
#include <cstdio>
#include <cstring>

namespace tidewell {

namespace {

constexpr char kListenState[] = "0A";

bool parseHex(QByteArrayView text, quint32& value)
{
    bool ok = false;
    value = QByteArray(text.data(), text.size()).toUInt(&ok, 16);
    return ok;
}

// /proc prints each 32-bit word of an address in host order as hex.
QString ipv4Text(quint32 word)
{
    if (word == 0)
        return QStringLiteral("*");
    char text[INET_ADDRSTRLEN];
    in_addr address{};
    address.s_addr = word;
    ::inet_ntop(AF_INET, &address, text, sizeof text);
    return QString::fromLatin1(text);
}

QString ipv6Text(QByteArrayView hex)
{
    in6_addr address{};
    for (int word = 0; word < 4; ++word) {
        quint32 value = 0;
        if (!parseHex(hex.sliced(word * 8, 8), value))
            return {};
        std::memcpy(&address.s6_addr[word * 4], &value, 4);
    }
    static const unsigned char zero[16] = {};
    if (std::memcmp(address.s6_addr, zero, 16) == 0)
        return QStringLiteral("*");
    // lsof shows an IPv4-mapped address in its IPv4 form.
    if (IN6_IS_ADDR_V4MAPPED(&address)) {
        quint32 v4 = 0;
        std::memcpy(&v4, &address.s6_addr[12], 4);
        return ipv4Text(v4);
    }
    char text[INET6_ADDRSTRLEN];
    ::inet_ntop(AF_INET6, &address, text, sizeof text);
    return QLatin1Char('[') + QString::fromLatin1(text) + QLatin1Char(']');
}

} // namespace

QHash<quint64, QString> ProcNetListingSource::parseTcpTable(const QByteArray& table, bool ipv6)
{
    QHash<quint64, QString> names;
    const qsizetype addressLength = ipv6 ? 32 : 8;
    qsizetype lineStart = table.indexOf('\n') + 1; // the first line is the header
    while (lineStart > 0 && lineStart < table.size()) {
        qsizetype lineEnd = table.indexOf('\n', lineStart);
        if (lineEnd < 0)
            lineEnd = table.size();
        const QList<QByteArray> fields = table.sliced(lineStart, lineEnd - lineStart).simplified().split(' ');
        lineStart = lineEnd + 1;
        // sl local rem st tx:rx tr:when retrnsmt uid timeout inode ...
        if (fields.size() < 10 || fields[3] != kListenState)
            continue;
        const QByteArray& local = fields[1];
        if (local.size() != addressLength + 5 || local[addressLength] != ':')
            continue;
        quint32 port = 0;
        if (!parseHex(QByteArrayView(local).sliced(addressLength + 1), port))
            continue;
        QString address;
        if (ipv6) {
            address = ipv6Text(QByteArrayView(local).first(addressLength));
        } else {
            quint32 word = 0;
            if (parseHex(QByteArrayView(local).first(addressLength), word))
                address = ipv4Text(word);
        }
        bool ok = false;
        const quint64 inode = fields[9].toULongLong(&ok);
        if (address.isEmpty() || !ok || inode == 0)
            continue;
        names.insert(inode, address + QLatin1Char(':') + QString::number(port));
    }
    return names;
}

QList<ListeningSocket> ProcNetListingSource::listeningSockets()
{
    QHash<quint64, QString> names = parseTcpTable(procfs::readFile("/proc/net/tcp", 64 << 20), false);
    names.insert(parseTcpTable(procfs::readFile("/proc/net/tcp6", 64 << 20), true));
    QList<ListeningSocket> sockets;
    if (names.isEmpty())
        return sockets;

    static constexpr char kSocketPrefix[] = "socket:[";
    char path[96];
    for (const long pid : procfs::numericEntries("/proc")) {
        std::snprintf(path, sizeof path, "/proc/%ld/fd", pid);
        const QList<long> fds = procfs::numericEntries(path);
        QString command;
        bool haveCommand = false;
        for (const long fd : fds) {
            std::snprintf(path, sizeof path, "/proc/%ld/fd/%ld", pid, fd);
            const QByteArray target = procfs::readLink(path);
            if (!target.startsWith(kSocketPrefix) || !target.endsWith(']'))
                continue;
            const quint64 inode =
                target.sliced(sizeof kSocketPrefix - 1, target.size() - sizeof kSocketPrefix).toULongLong();
            const auto name = names.constFind(inode);
            if (name == names.cend())
                continue;
            if (!haveCommand) {
                const auto stat = procfs::readStat(pid);
                if (!stat)
                    break; // the process has just exited
                command = lsofCommandName(stat->comm);
                haveCommand = true;
            }
            sockets.append(ListeningSocket{command, QString::number(pid), *name});
        }
    }
    return sockets;
}

} // namespace tidewell
