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

PortData portDataFromSocket(const ListeningSocket& socket)
{
    PortData data(socket.command, portFromName(socket.name), socket.pid);
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
    QList<PortData> entries;
    for (const ListeningSocket& socket : std::as_const(sockets))
        entries.append(portDataFromSocket(socket));
    return splitDevServers(entries);
}

} // namespace tidewell
