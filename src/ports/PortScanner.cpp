#include "ports/PortScanner.h"

#include "platform/ListeningSocket.h"
#include "platform/ListeningSocketSource.h"
#include "platform/ProcessTable.h"
#include "ports/ContainerNames.h"
#include "ports/DevServerTest.h"

namespace tidewell {

QString portFromName(const QString& name)
{
    const QStringList pieces = name.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    return pieces.isEmpty() ? QString() : pieces.last();
}

QString hostFromName(const QString& name)
{
    const qsizetype colon = name.lastIndexOf(QLatin1Char(':'));
    return colon > 0 ? name.left(colon) : QString();
}

PortData portDataFromSocket(const ListeningSocket& socket)
{
    const QString port = socket.port >= 0 ? QString::number(socket.port) : portFromName(socket.name);
    PortData data(socket.command, port, socket.pid);
    data.setListedIdentity(socket.startTime, socket.socketInode);
    data.setRuntime(socket.executable.isEmpty() ? runtimeOfProcessName(socket.command)
                                                : runtimeOfExecutable(socket.executable));
    return data;
}

DevServerVerdict devServerVerdict(const PortData& entry, const QString& executable)
{
    if (isEditorsOwnListener(entry.processName(), entry.port()) ||
        isNonHttpDaemon(entry.processName(), executable) ||
        ContainerNames::isProxyProcess(entry.processName()))
        return DevServerVerdict::notServer;
    if (isDevServerProcess(entry.processName(), entry.port()) || !entry.runtime().isEmpty())
        return DevServerVerdict::server;
    return DevServerVerdict::ifStartedFromShell;
}

namespace {

// Numbers compare as numbers; the start time of the commands backend is a date text, and there the
// older of two processes is taken to be the one with the lower pid.
bool startedBefore(const PortData& a, const PortData& b)
{
    bool aIsNumber = false;
    bool bIsNumber = false;
    const qulonglong aStart = a.identity().startTime.toULongLong(&aIsNumber);
    const qulonglong bStart = b.identity().startTime.toULongLong(&bIsNumber);
    if (aIsNumber && bIsNumber && aStart != bStart)
        return aStart < bStart;
    return a.pid().toLongLong() < b.pid().toLongLong();
}

} // namespace

QList<qsizetype> oneEntryPerSocket(const QList<PortData>& entries, const QList<bool>& isServer)
{
    // The index of the entry kept for each shared socket.
    QHash<quint64, qsizetype> kept;
    bool shared = false;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const quint64 socket = entries.at(i).identity().socketInode;
        if (socket == 0)
            continue;
        const auto found = kept.find(socket);
        if (found == kept.end()) {
            kept.insert(socket, i);
            continue;
        }
        const qsizetype other = *found;
        if (entries.at(other).pid() == entries.at(i).pid())
            continue;
        shared = true;
        if (isServer.at(i) != isServer.at(other) ? isServer.at(i)
                                                 : startedBefore(entries.at(i), entries.at(other)))
            *found = i;
    }
    QList<qsizetype> result;
    result.reserve(entries.size());
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const quint64 socket = entries.at(i).identity().socketInode;
        if (!shared || socket == 0 || entries.at(kept.value(socket)).pid() == entries.at(i).pid())
            result.append(i);
    }
    return result;
}

PortScanner::PortScanner(std::shared_ptr<ListeningSocketSource> source,
                         std::shared_ptr<ProcessTable> processes)
    : m_source(std::move(source)), m_processes(std::move(processes))
{}

ScanResult PortScanner::scanListeningPorts() const
{
    QList<ListeningSocket> sockets = m_source->listeningSockets();
    // Listings that do not date their processes (lsof) are dated right after, in one request.
    QStringList undated;
    for (const ListeningSocket& socket : std::as_const(sockets)) {
        if (socket.startTime.isEmpty() && !undated.contains(socket.pid))
            undated.append(socket.pid);
    }
    if (m_processes && !undated.isEmpty()) {
        const QHash<QString, QString> times = m_processes->startTimes(undated);
        for (ListeningSocket& socket : sockets) {
            if (socket.startTime.isEmpty())
                socket.startTime = times.value(socket.pid);
        }
    }
    // A server listening on several addresses is asked on the loopback one it has, IPv4 first.
    const auto rank = [](const QString& host) {
        return host.startsWith(QLatin1String("127.")) ? 0
               : host == QLatin1String("[::1]")       ? 1
               : host == QLatin1String("*")           ? 2
                                                      : 3;
    };
    QList<PortData> entries;
    entries.reserve(sockets.size());
    for (const ListeningSocket& socket : std::as_const(sockets))
        entries.append(portDataFromSocket(socket));
    const QList<bool> isServer = serverFlags(entries, sockets);

    ScanResult result;
    QHash<QString, QString> hosts;
    for (const qsizetype i : oneEntryPerSocket(entries, isServer)) {
        const PortData& entry = entries.at(i);
        (isServer.at(i) ? result.candidates : result.ignored).append(entry);
        const QString host = hostFromName(sockets.at(i).name);
        QString& chosen = hosts[entry.portKey()];
        if (chosen.isEmpty() || rank(host) < rank(chosen))
            chosen = host;
    }
    result.hosts = std::move(hosts);
    return result;
}

// The shell test is the one that reads the process table: it is made once for each process, the
// first time the process is listed, and for all new ones in one request.
QList<bool> PortScanner::serverFlags(const QList<PortData>& entries,
                                     const QList<ListeningSocket>& sockets) const
{
    QList<bool> isServer(entries.size(), false);
    QList<qsizetype> undecided;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const DevServerVerdict verdict = devServerVerdict(entries.at(i), sockets.at(i).executable);
        isServer[i] = verdict == DevServerVerdict::server;
        if (verdict == DevServerVerdict::ifStartedFromShell && m_processes)
            undecided.append(i);
    }
    if (undecided.isEmpty())
        return isServer;
    const auto processKey = [](const PortData& entry) {
        return entry.pid() + QLatin1Char('@') + entry.identity().startTime;
    };
    QMutexLocker lock(&m_shellVerdicts->mutex);
    QHash<QString, bool>& known = m_shellVerdicts->byProcess;
    QStringList unknownPids;
    for (const qsizetype i : std::as_const(undecided)) {
        if (!known.contains(processKey(entries.at(i))) && !unknownPids.contains(entries.at(i).pid()))
            unknownPids.append(entries.at(i).pid());
    }
    if (!unknownPids.isEmpty()) {
        const QSet<QString> fromShell = m_processes->startedFromShell(unknownPids);
        for (const qsizetype i : std::as_const(undecided)) {
            const QString key = processKey(entries.at(i));
            if (!known.contains(key))
                known.insert(key, fromShell.contains(entries.at(i).pid()));
        }
    }
    QSet<QString> listed;
    for (const qsizetype i : std::as_const(undecided)) {
        const QString key = processKey(entries.at(i));
        isServer[i] = known.value(key);
        listed.insert(key);
    }
    // Processes that stopped listening are forgotten, so the table stays the size of the listing.
    if (known.size() > listed.size())
        known.removeIf([&listed](const auto& entry) { return !listed.contains(entry.key()); });
    return isServer;
}

} // namespace tidewell
