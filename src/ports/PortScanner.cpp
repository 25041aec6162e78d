#include "ports/PortScanner.h"

#include "platform/ListeningSocket.h"
#include "platform/ListeningSocketSource.h"
#include "ports/DevServerTest.h"

namespace tidewell {

QString portFromName(const QString& name)
{
    const QStringList pieces = name.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    return pieces.isEmpty() ? QString() : pieces.last();
}

PortData portDataFromSocket(const ListeningSocket& socket)
{
    const QString port = socket.port >= 0 ? QString::number(socket.port) : portFromName(socket.name);
    return PortData(socket.command, port, socket.pid);
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

PortScanner::PortScanner(std::shared_ptr<ListeningSocketSource> source) : m_source(std::move(source)) {}

ScanResult PortScanner::scanListeningPorts() const
{
    QList<PortData> entries;
    for (const ListeningSocket& socket : m_source->listeningSockets())
        entries.append(portDataFromSocket(socket));
    return splitDevServers(entries);
}

} // namespace tidewell
