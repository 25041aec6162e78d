#include "platform/Host.h"
#include "platform/ProcessTable.h"
#include "platform/linux/KernelSocketListingSource.h"
#include "ports/PortListRefresher.h"
#include "ports/PortScanner.h"
#include "probe/PageProbe.h"
#include "process/ProcessOrigin.h"
#include "support/TestProcesses.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

using namespace tidewell;
using namespace tidewell::test;
using namespace Qt::StringLiterals;

namespace {

// A port no one listens on now: the servers below take theirs as an argument, as real tools do.
int freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

bool listens(int port)
{
    const QString suffix = u":"_s + QString::number(port);
    const auto names = KernelSocketListingSource::listeningNamesFromProcNet();
    return std::any_of(names.cbegin(), names.cend(),
                       [&](const QString& name) { return name.endsWith(suffix); });
}

// What the window's engine lists after one refresh: the same parts as the window, on this host.
struct EngineListing
{
    QList<PortData> servers;
    QList<PortData> ignored;
};

// The host's process table, counting its same-process checks by pid.
class CountingProcessTable : public ProcessTable
{
public:
    explicit CountingProcessTable(std::shared_ptr<ProcessTable> table) : m_table(std::move(table)) {}

    std::optional<ProcessInfo> origin(const QString& pid) override { return m_table->origin(pid); }
    std::optional<ProcessReading> reading(const QString& pid, const QString& cwd) override
    {
        return m_table->reading(pid, cwd);
    }
    bool isListedProcess(const ProcessIdentity& listed) override
    {
        QMutexLocker lock(&m_mutex);
        m_checks[listed.pid] += 1;
        lock.unlock();
        return m_table->isListedProcess(listed);
    }
    QHash<QString, QString> startTimes(const QStringList& pids) override { return m_table->startTimes(pids); }
    QSet<QString> startedFromShell(const QStringList& pids) override
    {
        return m_table->startedFromShell(pids);
    }

    int checks(qint64 pid)
    {
        QMutexLocker lock(&m_mutex);
        return m_checks.value(QString::number(pid));
    }

private:
    std::shared_ptr<ProcessTable> m_table;
    QMutex m_mutex;
    QHash<QString, int> m_checks;
};

constexpr int kAnswerMs = 30'000;

// Only `ours` of the host's listing is probed: the other servers on this machine are not the test's.
EngineListing listByEngine(const std::function<bool(const PortData&)>& ours,
                           std::shared_ptr<ProcessTable> processes = {})
{
    Host host = Host::create(Host::Backend::native);
    if (processes)
        host.processes = std::move(processes);
    const PortScanner scanner(host.sockets, host.processes);
    const ProcessOrigin origin(host.processes);
    // Every server here answers; a loaded machine may take longer than the default limit for it
    // (that limit is tst_cli's).
    PageProbe probe;
    probe.setDeadlineMs(kAnswerMs);
    PortListRefresher refresher(
        [scanner, ours] {
            ScanResult scan = scanner.scanListeningPorts();
            scan.candidates.removeIf([&](const PortData& e) { return !ours(e); });
            scan.ignored.removeIf([&](const PortData& e) { return !ours(e); });
            return scan;
        },
        &probe, [origin](const ProcessIdentity& listed) { return origin.getProcessInfo(listed); });
    QSignalSpy finished(&refresher, &PortListRefresher::checkFinished);
    refresher.checkPorts();
    if (!finished.wait(60'000))
        return {};
    return {refresher.sortedListedPorts(), refresher.sortedIgnoredPorts()};
}

QList<PortData> onPort(const QList<PortData>& entries, int port)
{
    QList<PortData> found;
    for (const PortData& entry : entries) {
        if (entry.port() == QString::number(port))
            found.append(entry);
    }
    return found;
}

QList<QJsonObject> onPort(const QByteArray& json, int port)
{
    QList<QJsonObject> found;
    for (const QJsonValue& value : QJsonDocument::fromJson(json).array()) {
        if (value[u"port"_s].toString() == QString::number(port))
            found.append(value.toObject());
    }
    return found;
}

QByteArray listByProgram(bool all)
{
    QStringList arguments{u"--list"_s, u"--json"_s, u"--timeout"_s, QString::number(kAnswerMs / 1000)};
    if (all)
        arguments.append(u"--all"_s);
    return runProgram(QStringLiteral(TIDEWELL_PROGRAM), arguments, {}, 90'000).out;
}

// The files of one kind of server in `folder`, and the command line that a user types to start it
// there ("%1" is the port).
QString prepare(const QString& kind, const QString& folder)
{
    const auto copyServer = [&](const QString& name) {
        const QString path = folder + u'/' + name;
        QFile::copy(QStringLiteral(TIDEWELL_TINY_SERVER), path);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    };
    if (kind == u"next"_s) {
        // As `next dev` does: the command typed starts the server in a child that renames itself.
        writeFile(folder + u"/next-like.js"_s, R"(
const { fork } = require('child_process');
if (process.argv[2] === 'dev') {
  const child = fork(__filename, ['serve', process.argv[3]]);
  process.on('SIGTERM', () => { child.kill(); process.exit(0); });
} else {
  process.title = 'next-server (v16.5.0)';
  require('http').createServer((req, res) => {
    res.writeHead(200, { 'Content-Type': 'text/html; charset=utf-8' });
    res.end('<html><head><title>Next Page</title><script src="/_next/static/chunks/main.js"></script></head></html>');
  }).listen(Number(process.argv[3]), '127.0.0.1');
})");
        return u"node next-like.js dev %1"_s;
    }
    if (kind == u"script"_s) {
        // Started by its own name through its #! line, as pip installs jupyter-notebook; "/" sends
        // the browser on twice before the page.
        const QString path = folder + u"/jupyter-notebook"_s;
        writeFile(path, R"(#!/usr/bin/python3
import http.server, sys
class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        hop = {"/": "/tree", "/tree": "/tree/"}.get(self.path)
        self.send_response(302 if hop else 200)
        self.send_header("Location" if hop else "Content-Type", hop or "text/html")
        self.end_headers()
        if not hop:
            self.wfile.write(b"<html><head><title>Home Page</title></head></html>")
http.server.HTTPServer(("127.0.0.1", int(sys.argv[1])), Handler).serve_forever()
)");
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return u"./jupyter-notebook %1"_s;
    }
    if (kind == u"compiled"_s) {
        copyServer(u"devserver"_s);
        return u"./devserver %1 'Compiled Page'"_s;
    }
    if (kind == u"daemon"_s) {
        // A new session whose starter ends at once: its parent is then the system's first process.
        copyServer(u"daemon-server"_s);
        return u"setsid -f ./daemon-server %1 Daemon > server.log 2>&1"_s;
    }
    if (kind == u"redis"_s) {
        copyServer(u"redis-server"_s);
        return u"./redis-server %1 Redis > server.log 2>&1"_s;
    }
    writeFile(folder + u"/app.py"_s, R"(from flask import Flask
app = Flask(__name__)
@app.route("/")
def index():
    return "<html><head><title>Flask Page</title></head></html>"
)");
    return u"FLASK_APP=app FLASK_DEBUG=1 /usr/bin/flask run --port %1"_s;
}

} // namespace

// The servers developers run, started as they start them, found (or left alone) alike by the
// window's engine and by `tidewell --list`.
class DevServersTest : public QObject
{
    Q_OBJECT
private slots:
    void serversAreFoundAsTheyRun_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("listed");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("runtime");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("appType");
        QTest::addColumn<QString>("command");

        QTest::newRow("node renamed as next dev's server")
            << u"next"_s << true << u"next-server\\x20(v1"_s << u"node"_s << u"Next Page"_s << u"nextjs"_s
            << u"next-like.js dev"_s;
        QTest::newRow("#! script by its own name, redirected twice")
            << u"script"_s << true << u"jupyter-noteboo"_s << u"python"_s << u"Home Page"_s << u"unknown"_s
            << u"./jupyter-notebook"_s;
        QTest::newRow("compiled binary typed into a shell")
            << u"compiled"_s << true << u"devserver"_s << QString() << u"Compiled Page"_s << u"unknown"_s
            << u"./devserver"_s;
        QTest::newRow("flask with its reloader") << u"flask"_s << true << u"flask"_s << u"python"_s
                                                 << u"Flask Page"_s << u"unknown"_s << u"flask run"_s;
        QTest::newRow("daemon with no shell above")
            << u"daemon"_s << false << u"daemon-server"_s << QString() << QString() << QString() << QString();
        QTest::newRow("redis typed into a shell")
            << u"redis"_s << false << u"redis-server"_s << QString() << QString() << QString() << QString();
    }

    void serversAreFoundAsTheyRun()
    {
        QFETCH(QString, kind);
        QFETCH(bool, listed);
        QFETCH(QString, name);
        QFETCH(QString, runtime);
        QFETCH(QString, title);
        QFETCH(QString, appType);
        QFETCH(QString, command);
        if (kind == u"flask"_s)
            QVERIFY2(QFile::exists(u"/usr/bin/flask"_s),
                     "python3-flask is installed by scripts/install-deps.sh");

        QTemporaryDir dir;
        const QString folder = QDir(dir.path()).canonicalPath();
        const int port = freePort();
        const auto onItsPort = [port](const PortData& entry) {
            return entry.port() == QString::number(port);
        };
        const QString typed = prepare(kind, folder).arg(port);
        ChildProcess shell(u"/bin/bash"_s, {u"-c"_s, typed + u"; exit $?"_s}, folder);
        // The daemon left the shell's process group; it is found by its port and ended here.
        const auto endDaemon = qScopeGuard([&] {
            if (kind != u"daemon"_s)
                return;
            for (const PortData& entry : onPort(listByEngine(onItsPort).ignored, port)) {
                if (entry.processName() == name)
                    ::kill(pid_t(entry.pid().toLongLong()), SIGTERM);
            }
        });
        QTRY_VERIFY_WITH_TIMEOUT(listens(port), 60'000);
        if (kind == u"flask"_s) // the reloader's child holds the same socket once it has started
            QTRY_VERIFY_WITH_TIMEOUT(
                [&] {
                    const QList<qint64> flask = childPids(shell.pid());
                    return !flask.isEmpty() && !childPids(flask.first()).isEmpty();
                }(),
                60'000);

        const EngineListing engine = listByEngine(onItsPort);
        const QList<PortData> servers = onPort(engine.servers, port);
        const QList<PortData> ignored = onPort(engine.ignored, port);
        const QList<QJsonObject> printed = onPort(listByProgram(false), port);
        if (listed) {
            QCOMPARE((QList<qsizetype>{servers.size(), ignored.size(), printed.size()}),
                     (QList<qsizetype>{1, 0, 1}));
            const PortData& server = servers.first();
            const ProcessInfo origin = server.processInfo().value_or(ProcessInfo{});
            const QStringList expected{name, server.pid(), title, appType, folder, origin.cmd};
            QCOMPARE(
                (QStringList{server.processName(), server.pid(), server.htmlData().value_or(HTMLData{}).title,
                             appTypeText(server.htmlData().value_or(HTMLData{}).appType), origin.cwd,
                             origin.cmd}),
                expected);
            QCOMPARE(server.runtime(), runtime);
            QVERIFY2(origin.cmd.contains(command), qPrintable(origin.cmd));
            const QJsonObject& json = printed.first();
            QCOMPARE((QStringList{json[u"processName"_s].toString(), json[u"pid"_s].toString(),
                                  json[u"htmlData"_s][u"title"_s].toString(),
                                  json[u"htmlData"_s][u"appType"_s].toString(),
                                  json[u"processInfo"_s][u"cwd"_s].toString(),
                                  json[u"processInfo"_s][u"cmd"_s].toString()}),
                     expected);
            QCOMPARE(onPort(listByProgram(true), port).size(), 1);
        } else {
            QCOMPARE((QList<qsizetype>{servers.size(), ignored.size(), printed.size()}),
                     (QList<qsizetype>{0, 1, 0}));
            QCOMPARE(ignored.first().processName(), name);
            const QList<QJsonObject> all = onPort(listByProgram(true), port);
            QCOMPARE(all.size(), 1);
            QCOMPARE(all.first()[u"processName"_s].toString(), name);
            // Neither engine sent it a single byte, nor even connected.
            QCOMPARE(fileContent(folder + u"/server.log"_s), QByteArray());
        }
    }

    // A process holding 5,000 ports beside an ordinary server: both engines list the server with its
    // page and every port of the process, and that process is checked no more often than the server
    // with one port. The program runs with the soft descriptor limit desktops give (1,024).
    void serverBesideThousandsOfPortsIsListed()
    {
        constexpr int kPorts = 5000;
        auto crowd = startListener({u"--name"_s, u"node"_s, u"--extra-ports"_s, QString::number(kPorts)});
        auto server = startListener({u"--name"_s, u"node"_s, u"--title"_s, u"Beside"_s});
        QVERIFY(crowd->waitUntilReady() && server->waitUntilReady());
        const auto table =
            std::make_shared<CountingProcessTable>(Host::create(Host::Backend::native).processes);

        const QStringList pids{QString::number(crowd->pid()), QString::number(server->pid())};
        const EngineListing engine =
            listByEngine([pids](const PortData& entry) { return pids.contains(entry.pid()); }, table);
        const QList<PortData> beside = onPort(engine.servers, server->port());
        QCOMPARE(beside.size(), 1);
        QVERIFY(beside.first().htmlData());
        QCOMPARE(beside.first().htmlData()->title, u"Beside"_s);
        const auto ofCrowd = [&](const PortData& entry) {
            return entry.pid() == QString::number(crowd->pid());
        };
        QCOMPARE(std::count_if(engine.servers.cbegin(), engine.servers.cend(), ofCrowd), kPorts + 1);
        QVERIFY(table->checks(server->pid()) > 0);
        QVERIFY2(table->checks(crowd->pid()) <= table->checks(server->pid()),
                 qPrintable(QString::number(table->checks(crowd->pid()))));

        // Thousands of pages asked at once may take a busy machine longer than the default limit for one;
        // that limit is not what is looked at here.
        const ProgramRun run =
            runProgram(u"/bin/bash"_s,
                       {u"-c"_s, u"ulimit -Sn 1024 && exec \"$0\" --list --json --timeout 60"_s,
                        QStringLiteral(TIDEWELL_PROGRAM)},
                       {}, 90'000);
        QCOMPARE(run.exitCode, 0);
        const QList<QJsonObject> printed = onPort(run.out, server->port());
        QCOMPARE(printed.size(), 1);
        QCOMPARE(printed.first()[u"htmlData"_s][u"title"_s].toString(), u"Beside"_s);
        const QJsonArray rows = QJsonDocument::fromJson(run.out).array();
        QCOMPARE(std::count_if(rows.cbegin(), rows.cend(),
                               [&](const QJsonValue& row) {
                                   return row[u"pid"_s].toString() == QString::number(crowd->pid());
                               }),
                 kPorts + 1);
    }
};

QTEST_GUILESS_MAIN(DevServersTest)
#include "tst_devservers.moc"
