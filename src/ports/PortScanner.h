#pragma once

#include "records/PortData.h"

#include <QHash>
#include <QList>
#include <QMutex>
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

// How the development-server test decides an entry.
enum class DevServerVerdict
{
    server,
    notServer,
    // Any other program: a server when it was typed into a terminal.
    ifStartedFromShell
};
DevServerVerdict devServerVerdict(const PortData& entry, const QString& executable);
// Several processes holding one socket (a reloader and its child, a master and its workers) are one
// server: of the entries that share a socket, the one kept is a server before one that is not, then
// the process that started first, which forked the others; `isServer` tells the entries apart.
// Gives the indices of the entries kept, in order.
QList<qsizetype> oneEntryPerSocket(const QList<PortData>& entries, const QList<bool>& isServer);

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
    // Which listed processes were started from a shell, by pid and start time: each is asked once,
    // when it first listens. Shared by the copies of a scanner, which may run on any worker thread.
    struct ShellVerdicts
    {
        QMutex mutex;
        QHash<QString, bool> byProcess;
    };

    QList<bool> serverFlags(const QList<PortData>& entries, const QList<ListeningSocket>& sockets) const;

    std::shared_ptr<ListeningSocketSource> m_source;
    std::shared_ptr<ProcessTable> m_processes;
    std::shared_ptr<ShellVerdicts> m_shellVerdicts = std::make_shared<ShellVerdicts>();
};

} // namespace tidewell
