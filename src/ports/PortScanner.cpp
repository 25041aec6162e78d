#include "ports/PortScanner.h"

#include "platform/ListeningSocket.h"
#include "platform/ListeningSocketSource.h"
#include "platform/ProcessTable.h"
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
    return data;
}

std::optional<PortData> parsePortLine(QStringView line)
{
    const auto socket = parseLsofLine(line);
    if (!socket)
        return std::nullopt;
    return portDataFromSocket(*socket);
}

ScanResult splitDevServers(const QList<PortData>& entries)
{
    ScanResult result;
    for (const PortData& entry : entries) {
        if (isDevServerProcess(entry.processName(), entry.port()))
            result.candidates.append(entry);
        else
            result.ignored.append(entry);
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
    QHash<QString, QString> hosts;
    for (const ListeningSocket& socket : std::as_const(sockets)) {
        const PortData entry = portDataFromSocket(socket);
        entries.append(entry);
        const QString host = hostFromName(socket.name);
        QString& chosen = hosts[entry.portKey()];
        if (chosen.isEmpty() || rank(host) < rank(chosen))
            chosen = host;
    }
    ScanResult result = splitDevServers(entries);
    result.hosts = std::move(hosts);
    return result;
}

} // namespace tidewell
