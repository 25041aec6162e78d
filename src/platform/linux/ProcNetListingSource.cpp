#include "platform/linux/ProcNetListingSource.h"

#include "platform/linux/LsofCommandName.h"
#include "platform/linux/ProcFs.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tidewell {

namespace {

constexpr char kListenState[] = "0A";
constexpr unsigned kTcpListen = 10; // the kernel's TCP_LISTEN state number

bool parseHex(QByteArrayView text, quint32& value)
{
    bool ok = false;
    value = QByteArray(text.data(), text.size()).toUInt(&ok, 16);
    return ok;
}

// Both the kernel's tables and its socket-diagnostics replies give addresses as the raw bytes in
// network order.
QString ipv4Text(quint32 raw)
{
    if (raw == 0)
        return QStringLiteral("*");
    char text[INET_ADDRSTRLEN];
    in_addr address{};
    address.s_addr = raw;
    ::inet_ntop(AF_INET, &address, text, sizeof text);
    return QString::fromLatin1(text);
}

QString ipv6Text(const in6_addr& address)
{
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

// /proc prints each 32-bit word of an address as the hex of its value in memory.
QString ipv6TextFromHex(QByteArrayView hex)
{
    in6_addr address{};
    for (int word = 0; word < 4; ++word) {
        quint32 value = 0;
        if (!parseHex(hex.sliced(word * 8, 8), value))
            return {};
        std::memcpy(&address.s6_addr[word * 4], &value, 4);
    }
    return ipv6Text(address);
}

QString nameFor(const QString& address, quint32 port)
{
    return address + QLatin1Char(':') + QString::number(port);
}

// Asks the kernel for the listening TCP sockets of one address family, as ss does: one request
// that names only LISTEN sockets, where /proc/net lists every connection and must be read whole.
bool addListeningFromNetlink(int family, QHash<quint64, QString>& names)
{
    const int fd = ::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG);
    if (fd < 0)
        return false;
    struct
    {
        nlmsghdr header;
        inet_diag_req_v2 request;
    } message{};
    message.header.nlmsg_len = sizeof message;
    message.header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
    message.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    message.request.sdiag_family = quint8(family);
    message.request.sdiag_protocol = IPPROTO_TCP;
    message.request.idiag_states = 1U << kTcpListen;
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    if (::sendto(fd, &message, sizeof message, 0, reinterpret_cast<sockaddr*>(&kernel), sizeof kernel) < 0) {
        ::close(fd);
        return false;
    }

    alignas(nlmsghdr) char buffer[32768];
    bool complete = false;
    bool failed = false;
    while (!complete && !failed) {
        const ssize_t received = ::recv(fd, buffer, sizeof buffer, 0);
        if (received < 0 && errno == EINTR)
            continue;
        if (received <= 0)
            break;
        size_t offset = 0;
        while (offset + sizeof(nlmsghdr) <= size_t(received)) {
            const auto* header = reinterpret_cast<const nlmsghdr*>(buffer + offset);
            if (header->nlmsg_len < sizeof(nlmsghdr) || offset + header->nlmsg_len > size_t(received)) {
                failed = true;
                break;
            }
            if (header->nlmsg_type == NLMSG_DONE) {
                complete = true;
                break;
            }
            if (header->nlmsg_type == NLMSG_ERROR) {
                failed = true;
                break;
            }
            const size_t payload = NLMSG_ALIGN(sizeof(nlmsghdr));
            if (header->nlmsg_len >= payload + sizeof(inet_diag_msg)) {
                const auto* socket = reinterpret_cast<const inet_diag_msg*>(buffer + offset + payload);
                const quint32 port = ntohs(socket->id.idiag_sport);
                QString address;
                if (socket->idiag_family == AF_INET) {
                    address = ipv4Text(socket->id.idiag_src[0]);
                } else {
                    in6_addr v6{};
                    std::memcpy(v6.s6_addr, socket->id.idiag_src, 16);
                    address = ipv6Text(v6);
                }
                if (socket->idiag_inode != 0)
                    names.insert(socket->idiag_inode, nameFor(address, port));
            }
            offset += NLMSG_ALIGN(header->nlmsg_len);
        }
    }
    ::close(fd);
    return complete;
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
            address = ipv6TextFromHex(QByteArrayView(local).first(addressLength));
        } else {
            quint32 word = 0;
            if (parseHex(QByteArrayView(local).first(addressLength), word))
                address = ipv4Text(word);
        }
        bool ok = false;
        const quint64 inode = fields[9].toULongLong(&ok);
        if (address.isEmpty() || !ok || inode == 0)
            continue;
        names.insert(inode, nameFor(address, port));
    }
    return names;
}

std::optional<QHash<quint64, QString>> ProcNetListingSource::listeningNamesFromNetlink()
{
    QHash<quint64, QString> names;
    if (!addListeningFromNetlink(AF_INET, names) || !addListeningFromNetlink(AF_INET6, names))
        return std::nullopt;
    return names;
}

QHash<quint64, QString> ProcNetListingSource::listeningNamesFromProcNet()
{
    QHash<quint64, QString> names = parseTcpTable(procfs::readFile("/proc/net/tcp", 64 << 20), false);
    names.insert(parseTcpTable(procfs::readFile("/proc/net/tcp6", 64 << 20), true));
    return names;
}

QList<ListeningSocket> ProcNetListingSource::listeningSockets()
{
    // The tables under /proc/net serve where socket diagnostics are not available (a kernel
    // built without them, or a sandbox that forbids netlink sockets).
    auto fromNetlink = listeningNamesFromNetlink();
    const QHash<quint64, QString> names = fromNetlink ? std::move(*fromNetlink) : listeningNamesFromProcNet();
    QList<ListeningSocket> sockets;
    if (names.isEmpty())
        return sockets;

    char path[64];
    for (const long pid : procfs::numericEntries("/proc")) {
        std::snprintf(path, sizeof path, "/proc/%ld/fd", pid);
        // lsof lists a process's sockets in the order of their descriptors.
        QList<std::pair<long, quint64>> listening;
        for (const auto& [fd, inode] : procfs::socketInodes(path)) {
            if (names.contains(inode))
                listening.append({fd, inode});
        }
        if (listening.isEmpty())
            continue;
        const auto stat = procfs::readStat(pid);
        if (!stat)
            continue; // the process has just exited
        std::sort(listening.begin(), listening.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        const QString command = lsofCommandName(stat->comm);
        const QString startTime = QString::number(stat->startTicks);
        for (const auto& [fd, inode] : std::as_const(listening))
            sockets.append(
                ListeningSocket{command, QString::number(pid), names.value(inode), startTime, inode});
    }
    return sockets;
}

} // namespace tidewell
