#pragma once

#include "records/PortData.h"

#include <QHash>
#include <QList>
#include <QStringView>
#include <memory>

namespace tidewell {

class ListeningSocketSource;
class ProcessTable;
struct ListeningSocket;

// One scan split into development servers and everything else, each in listing order.
struct ScanResult
{
    QList<PortData> candidates;
    QList<PortData> ignored;
    // By port key: the address a page probe connects to ("127.0.0.1", "[::1]", "*" for any).
    QHash<QString, QString> hosts = {};
};

// The port text of a NAME column: its last piece between colons ("*:3000" gives 3000).
QString portFromName(const QString& name);
// The address part of a NAME column ("[::1]:3000" gives "[::1]").
QString hostFromName(const QString& name);
PortData portDataFromSocket(const ListeningSocket& socket);
// One line of the listing tool's output, or nothing when it has fewer than nine columns.
std::optional<PortData> parsePortLine(QStringView line);
ScanResult splitDevServers(const QList<PortData>& entries);

// Answers which processes listen on which TCP ports right now.
class PortScanner
{
public:
    // `processes` gives the start times of listeners whose listing did not read them; without it
    // such entries keep none, and no stop or origin lookup will take them for a live process.
    explicit PortScanner(std::shared_ptr<ListeningSocketSource> source,
                         std::shared_ptr<ProcessTable> processes = {});

    // Blocks while the host is asked; call it off the interface thread.
    ScanResult scanListeningPorts() const;

private:
    std::shared_ptr<ListeningSocketSource> m_source;
    std::shared_ptr<ProcessTable> m_processes;
};

} // namespace tidewell
