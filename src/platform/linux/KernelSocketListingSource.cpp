#include "platform/linux/KernelSocketListingSource.h"

#include "platform/linux/ProcFs.h"

#include <QSet>
#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

// One LISTEN socket as socket diagnostics report it; its NAME text is made only when needed.
struct KernelSocket
{
    quint64 inode = 0;
    quint32 port = 0;
    int family = AF_INET;
    unsigned char address[16] = {};
};

QString nameOf(const KernelSocket& socket)
{
    if (socket.family == AF_INET) {
        quint32 v4 = 0;
        std::memcpy(&v4, socket.address, 4);
        return nameFor(ipv4Text(v4), socket.port);
    }
    in6_addr v6{};
    std::memcpy(v6.s6_addr, socket.address, 16);
    return nameFor(ipv6Text(v6), socket.port);
}

// Asks the kernel for the listening TCP sockets of one address family, as ss does: one request
// that names only LISTEN sockets, where /proc/net lists every connection and must be read whole.
bool addListeningFromNetlink(int family, QList<KernelSocket>& sockets)
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
                if (socket->idiag_inode != 0) {
                    KernelSocket entry;
                    entry.inode = socket->idiag_inode;
                    entry.port = ntohs(socket->id.idiag_sport);
                    entry.family = socket->idiag_family;
                    std::memcpy(entry.address, socket->id.idiag_src, 16);
                    sockets.append(entry);
                }
            }
            offset += NLMSG_ALIGN(header->nlmsg_len);
        }
    }
    ::close(fd);
    return complete;
}

std::optional<QList<KernelSocket>> kernelSocketsFromNetlink()
{
    QList<KernelSocket> sockets;
    if (!addListeningFromNetlink(AF_INET, sockets) || !addListeningFromNetlink(AF_INET6, sockets))
        return std::nullopt;
    return sockets;
}

} // namespace

QHash<quint64, QString> KernelSocketListingSource::parseTcpTable(const QByteArray& table, bool ipv6)
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

std::optional<QHash<quint64, QString>> KernelSocketListingSource::listeningNamesFromNetlink()
{
    const auto sockets = kernelSocketsFromNetlink();
    if (!sockets)
        return std::nullopt;
    QHash<quint64, QString> names;
    for (const KernelSocket& socket : *sockets)
        names.insert(socket.inode, nameOf(socket));
    return names;
}

QHash<quint64, QString> KernelSocketListingSource::listeningNamesFromProcNet()
{
    QHash<quint64, QString> names = parseTcpTable(procfs::readFile("/proc/net/tcp", 64 << 20), false);
    names.insert(parseTcpTable(procfs::readFile("/proc/net/tcp6", 64 << 20), true));
    return names;
}

KernelSocketListingSource::KernelSocketListingSource(int fullWalkEvery) : m_owners(fullWalkEvery) {}

KernelSocketListingSource::~KernelSocketListingSource() = default;

std::optional<QList<quint64>> KernelSocketListingSource::listeningInodes()
{
    QList<quint64> inodes;
    if (const auto sockets = kernelSocketsFromNetlink()) {
        inodes.reserve(sockets->size());
        for (const KernelSocket& socket : *sockets)
            inodes.append(socket.inode);
    } else {
        inodes = listeningNamesFromProcNet().keys();
    }
    std::sort(inodes.begin(), inodes.end());
    return inodes;
}

QList<ListeningSocket> KernelSocketListingSource::listeningSockets()
{
    QMutexLocker lock(&m_mutex);
    // A listening socket keeps its address, so each NAME text is made once, when it appears.
    QSet<quint64> listening;
    const auto learn = [&](quint64 inode, const auto& makeName, const auto& makePort) {
        listening.insert(inode);
        if (!m_names.contains(inode))
            m_names.insert(inode, Listener{makeName(), makePort()});
    };
    std::optional<QList<quint64>> inodes;
    if (const auto sockets = kernelSocketsFromNetlink()) {
        inodes.emplace();
        inodes->reserve(sockets->size());
        for (const KernelSocket& socket : *sockets)
            inodes->append(socket.inode);
        // No socket opened or closed and every owner still runs: the last rows stand, and a refresh
        // costs the kernel's answer and one poll.
        if (m_lastInodes && *inodes == *m_lastInodes && m_owners.confirmUnchanged())
            return m_lastRows;
        listening.reserve(sockets->size());
        for (const KernelSocket& socket : *sockets)
            learn(
                socket.inode, [&] { return nameOf(socket); }, [&] { return int(socket.port); });
    } else {
        // The tables under /proc/net serve where socket diagnostics are not available (a kernel
        // built without them, or a sandbox that forbids netlink sockets).
        const QHash<quint64, QString> names = listeningNamesFromProcNet();
        for (auto it = names.cbegin(); it != names.cend(); ++it) {
            learn(
                it.key(), [&] { return it.value(); },
                [&] { return it.value().section(QLatin1Char(':'), -1).toInt(); });
        }
    }
    // Names of sockets that have closed go, so that a reused inode never shows an old address.
    if (m_names.size() > listening.size())
        m_names.removeIf([&](const auto& entry) { return !listening.contains(entry.key()); });

    m_owners.update(listening);
    QList<ListeningSocket> sockets;
    sockets.reserve(m_owners.holders().size());
    for (const SocketOwners::Holder& holder : m_owners.holders()) {
        const SocketOwners::Owner& owner = m_owners.owner(holder.pid);
        const Listener& listener = m_names.find(holder.inode).value();
        sockets.append(ListeningSocket{owner.command, owner.pidText, listener.name,
                                       QString::number(owner.startTicks), holder.inode, listener.port,
                                       owner.executable});
    }
    m_lastInodes = inodes;
    m_lastRows = sockets;
    return sockets;
}

} // namespace tidewell
