#include "net/ContainerEngine.h"
#include "platform/Host.h"
#include "platform/ListeningSocket.h"
#include "platform/commands/LsofListingSource.h"
#include "platform/commands/ShellProcessTable.h"
#include "ports/DevServerTest.h"
#include "ports/PortListRefresher.h"
#include "ports/PortScanner.h"
#include "probe/PageProbe.h"
#include "support/RecordingSystemTools.h"
#include "support/StubHttpServer.h"
#include "support/TestProcesses.h"

#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMutex>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <csignal>

using namespace tidewell;
using namespace tidewell::test;
using namespace Qt::StringLiterals;

namespace {

PortData entry(int port, const char* pid, const char* name = "node")
{
    return PortData(QString::fromLatin1(name), QString::number(port), QString::fromLatin1(pid));
}

// The scan result is set by the test; scans and origin lookups are counted. Real page probes.
class Fixture
{
public:
    Fixture()
        : refresher(
              [this] {
                  if (scanGate)
                      scanGate->acquire();
                  ++scans;
                  QMutexLocker lock(&mutex);
                  return scan;
              },
              &probe,
              [this](const ProcessIdentity& listed) {
                  ++origins;
                  return std::optional(ProcessInfo{u"/work/"_s + listed.pid, u"serve "_s + listed.pid});
              })
    {
        probe.setIdleTimeoutMs(2000);
    }

    void set(const QList<PortData>& candidates, const QList<PortData>& ignored = {})
    {
        QMutexLocker lock(&mutex);
        scan = ScanResult{candidates, ignored};
    }

    // One scan, or a refresh that forgets what was seen, waited for to its end.
    bool check(bool forget = false)
    {
        QSignalSpy finished(&refresher, &PortListRefresher::checkFinished);
        forget ? refresher.refresh() : refresher.checkPorts();
        return finished.wait(20'000);
    }

    QMutex mutex;
    ScanResult scan;
    std::atomic<int> scans = 0;
    std::atomic<int> origins = 0;
    QSemaphore* scanGate = nullptr; // when set, each scan waits for one release
    PageProbe probe;
    PortListRefresher refresher;
};

// The host's real listing, cut to the listeners on `ports`.
ScanResult scanOf(const QStringList& ports)
{
    const Host host = Host::create();
    ScanResult scan = PortScanner(host.sockets, host.processes).scanListeningPorts();
    const auto notOurs = [&](const PortData& entry) { return !ports.contains(entry.port()); };
    scan.candidates.removeIf(notOurs);
    scan.ignored.removeIf(notOurs);
    return scan;
}

// The container engine's API on a unix socket: counts the requests for the container list and
// answers each with `status` and `body`, or never when the status is "silent".
struct EngineStandIn
{
    EngineStandIn(const QString& path, const QByteArray& status, const QByteArray& listed) : body(listed)
    {
        QObject::connect(&server, &QLocalServer::newConnection, [this, status] {
            while (QLocalSocket* socket = server.nextPendingConnection()) {
                QObject::connect(socket, &QLocalSocket::readyRead, [this, socket, status] {
                    QByteArray& head = heads[socket];
                    head += socket->readAll();
                    if (!head.startsWith("GET /containers/json ") || !head.endsWith("\r\n\r\n"))
                        return;
                    ++requests;
                    if (status != "silent")
                        socket->write("HTTP/1.1 " + status +
                                      "\r\nContent-Length: " + QByteArray::number(body.size()) +
                                      "\r\nConnection: close\r\n\r\n" + body);
                });
            }
        });
        QVERIFY(server.listen(path));
    }
    QLocalServer server;
    QByteArray body; // what the next request is answered with
    QHash<QLocalSocket*, QByteArray> heads;
    int requests = 0;
};

} // namespace

class PortsTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() // listeners named as the kernel names the engine's proxy, and one that is not
    {
        shop = startListener({u"--name"_s, u"docker-proxy"_s, u"--title"_s, u"Shop"_s});
        cache = startListener({u"--name"_s, u"docker-proxy"_s, u"--mode"_s, u"json"_s});
        box = startListener({u"--name"_s, u"docker-proxy"_s, u"--mode"_s, u"close"_s});
        plain = startListener({u"--name"_s, u"postgres"_s, u"--mode"_s, u"json"_s});
        QVERIFY(shop->waitUntilReady() && cache->waitUntilReady() && box->waitUntilReady() &&
                plain->waitUntilReady());
    }

    void decidesWhatIsADevServer_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("executable"); // empty where the listing reads none (lsof)
        QTest::addColumn<QString>("verdict");    // server, not, or shell: a server if typed into one
        QTest::addColumn<QString>("runtime");
        auto row = [](const char* name, const char* port, const char* executable, const char* verdict,
                      const char* runtime = "") {
            QTest::addRow("%s on '%s' running '%s'", name, port, executable)
                << QString::fromUtf8(name) << QString::fromUtf8(port) << QString::fromUtf8(executable)
                << QString::fromUtf8(verdict) << QString::fromUtf8(runtime);
        };
        // By name, as the listing tool prints it.
        row("node", "3000", "", "server", "node");
        row("node", "50000", "", "server", "node"); // only the editors' own ports are excluded
        row("nodemon", "3000", "", "shell");
        row("Python", "8000", "", "server", "python");
        row("ipython", "8888", "", "server", "python");
        row("ssh", "8080", "", "server");
        row("Code\\x20H", "5173", "", "server");
        row("Code\\x20H", "52000", "", "not");
        row("Code\\x20H", "8828", "", "not");
        row("Code\\x20H", "8830", "", "not");
        row("Code\\x20H", "8831", "", "server");
        row("Cursor", "9999", "", "server");
        row("Cursor", "10000", "", "not");
        row("cursor", "99999999999", "", "not");
        row("cursor", " 20000", "", "server"); // not a port number, so not the editor's own
        // By the executable, as the kernel gives it: a process that renamed itself, a #! script.
        row("next-server\\x20(v1", "3000", "/usr/bin/node", "server", "node");
        row("jupyter-noteboo", "8888", "/usr/bin/python3.11", "server", "python");
        row("bun", "3000", "/home/me/.bun/bin/bun", "server", "bun");
        row("deno", "8000", "/usr/local/bin/deno", "server", "deno");
        row("node", "3000", "/usr/bin/nodejs (deleted)", "server", "node"); // upgraded while running
        row("node", "3000", "/usr/bin/python3", "server", "python");        // named as node: still listed
        // The editors' rules on the kernel's whole names.
        row("Code\\x20Helper", "52000", "/usr/share/code/code", "not");
        row("Code\\x20Helper", "5173", "/usr/share/code/code", "server");
        // Anything else (here Ruby, which is no runtime of ours): listed when typed into a terminal.
        row("puma", "3000", "/usr/bin/ruby3.1", "shell");
        // Never asked, whoever started them.
        row("sshd", "22", "", "not");
        row("postgres", "5432", "", "not");
        row("redis-ser", "6379", "", "not");                         // lsof's cut
        row("server", "6379", "/opt/redis/bin/redis-server", "not"); // renamed, known by its file
        row("docker-proxy", "8080", "/usr/bin/docker-proxy", "not");
    }

    void decidesWhatIsADevServer()
    {
        QFETCH(QString, name);
        QFETCH(QString, port);
        QFETCH(QString, executable);
        ListeningSocket socket{name, u"7"_s, u"*:"_s + port};
        socket.executable = executable;
        const PortData entry = portDataFromSocket(socket);
        const DevServerVerdict verdict = devServerVerdict(entry, executable);
        QTEST(verdict == DevServerVerdict::server      ? u"server"_s
              : verdict == DevServerVerdict::notServer ? u"not"_s
                                                       : u"shell"_s,
              "verdict");
        QTEST(entry.runtime(), "runtime");
        // The name test alone, as on macOS, agrees wherever the name decides.
        if (executable.isEmpty() && entry.runtime().isEmpty())
            QCOMPARE(isDevServerProcess(name, port), verdict == DevServerVerdict::server);
    }

    void keepsOneEntryPerSharedSocket_data()
    {
        QTest::addColumn<QString>("holders"); // pid:start:socket:server, space-separated
        QTest::addColumn<QString>("kept");
        QTest::newRow("reloader and its child") << u"10:100:7:1 11:200:7:1"_s << u"10"_s;
        QTest::newRow("child listed first") << u"11:200:7:1 10:100:7:1"_s << u"10"_s;
        QTest::newRow("a server before the process that handed it the socket")
            << u"1:5:7:0 50:900:7:1"_s << u"50"_s;
        QTest::newRow("sockets of their own") << u"10:100:7:1 11:200:8:1"_s << u"10 11"_s;
        QTest::newRow("one process, one socket twice") << u"10:100:7:1 10:100:7:1"_s << u"10 10"_s;
        QTest::newRow("no socket identity") << u"10:100:0:1 11:200:0:1"_s << u"10 11"_s;
        QTest::newRow("dated by text: the lower pid") << u"300:Mon:7:1 200:Tue:7:1"_s << u"200"_s;
    }

    void keepsOneEntryPerSharedSocket()
    {
        QFETCH(QString, holders);
        QList<PortData> entries;
        QList<bool> isServer;
        for (const QString& holder : holders.split(u' ')) {
            const QStringList fields = holder.split(u':');
            PortData entry(u"python3"_s, u"5000"_s, fields[0]);
            entry.setListedIdentity(fields[1], fields[2].toULongLong());
            entries.append(entry);
            isServer.append(fields[3] == u"1"_s);
        }
        QStringList kept;
        for (const qsizetype i : oneEntryPerSocket(entries, isServer))
            kept.append(entries.at(i).pid());
        QTEST(kept.join(u' '), "kept");
    }

    // Only 400 is below a shell (two steps up). 500 is below a login shell only, which shows no slash;
    // 600 was started by the service manager; 700 is in a loop of parents; 999 is gone.
    void findsShellsAboveProcessesInPsOutput()
    {
        const QByteArray ps = "    1     0 /sbin/launchd\n"
                              "  200     1 login -pf me\n"
                              "  300   200 /bin/zsh -il\n"
                              "  310   300 node /usr/local/bin/npm run dev\n"
                              "  400   310 node /work/shop/node_modules/.bin/vite\n"
                              "  450   200 -zsh\n"
                              "  500   450 ruby bin/rails server\n"
                              "  600     1 /usr/local/opt/postgresql/bin/postgres -D data\n"
                              "  700   701 a\n"
                              "  701   700 b\n";
        for (const QString& pid : {u"400"_s, u"500"_s, u"600"_s, u"700"_s, u"999"_s})
            QCOMPARE(ShellProcessTable::shellDescendants(ps, {pid}).contains(pid), pid == u"400"_s);
    }

    void scanSplitsInListingOrderWithoutMerging()
    {
        auto tools = std::make_shared<RecordingSystemTools>();
        tools->setOutput("COMMAND PID USER FD TYPE DEVICE SIZE/OFF NODE NAME\n"
                         "postgres 9 pg 5u IPv4 0xa01 0t0 TCP 127.0.0.1:5432 (LISTEN)\n"
                         "node 4242 dev 23u IPv4 0xabc 0t0 TCP *:3000 (LISTEN)\n"
                         "node 4242 dev 24u IPv6 0xabd 0t0 TCP *:3000 (LISTEN)\n"
                         "node 4242 dev 25u IPv4 0xabe 0t0 TCP\n"
                         "bun 11 me 5u IPv4 0xa02 0t0 TCP 127.0.0.1:3001 (LISTEN)\n"
                         "deno   77  me  3u  IPv6  0xa03  0t0  TCP  [::1]:8080  (LISTEN)\n"
                         "Code\\x20H 7 me 5u IPv4 0xa04 0t0 TCP 127.0.0.1:52000\n"
                         "x 5 me 5u IPv6 0xa05 0t0 TCP *:* (LISTEN)\n"
                         "x 6 me 5u IPv6 0xa06 0t0 TCP ::: (LISTEN)\n"
                         "a\tb 1 2 3 4 5 6 7 *:1\n");
        const ScanResult scan = PortScanner(std::make_shared<LsofListingSource>(tools)).scanListeningPorts();
        QCOMPARE(tools->calls().size(), 1);
        QCOMPARE(tools->calls()[0].program, u"/bin/zsh"_s);
        QCOMPARE(tools->calls()[0].arguments, (QStringList{u"-c"_s, u"lsof -iTCP -sTCP:LISTEN -n -P"_s}));
        const auto keys = [](const QList<PortData>& entries) {
            QStringList found;
            for (const PortData& entry : entries)
                found.append(entry.processName() + u' ' + entry.portKey());
            return found.join(u", "_s);
        };
        // Lines of fewer than nine fields are no rows; names stay escaped as lsof escapes them, and only
        // spaces separate fields.
        QCOMPARE(keys(scan.candidates), u"node 3000:4242, node 3000:4242, bun 3001:11, deno 8080:77"_s);
        QCOMPARE(keys(scan.ignored), u"postgres 5432:9, Code\\x20H 52000:7, x *:5, x :6, a\tb 1:1"_s);
        // The DEVICE column tells the sockets apart, as the kernel's address on macOS.
        QCOMPARE(scan.candidates.at(1).identity().socketInode, 0xabdU);
        // Whatever the first line holds, it is the header; one line that is not UTF-8 spoils all.
        QVERIFY(parseLsofListing("node 1 u 3u IPv4 1 0t0 TCP *:1\n").isEmpty());
        QVERIFY(
            parseLsofListing("COMMAND\nnode 1 u 3u IPv4 1 0t0 TCP *:1\ncaf\xe9 1 u 3u IPv4 1 0t0 TCP *:2\n")
                .isEmpty());
    }

    // Each candidate is probed once, and a process's origin looked up once for all its sockets.
    void listsServersAndIgnoredListenersOverTheirLife()
    {
        QTemporaryDir dir;
        const QString titleFile = dir.filePath(u"title"_s);
        QVERIFY(writeFile(titleFile, "Dashboard"));
        auto server = startListener({u"--title-file"_s, titleFile});
        auto second = startListener({});
        QVERIFY(server->waitUntilReady() && second->waitUntilReady());
        Fixture f;
        // An IPv4 and an IPv6 socket of one process (lsof lists both), another process on the port, and
        // the first process on a second port.
        const int port = server->port();
        f.set({entry(port, "4242"), entry(port, "4242"), entry(port, "4243"), entry(second->port(), "4242")},
              {entry(5432, "77", "postgres")});
        QSignalSpy portsChanged(&f.refresher, &PortListRefresher::portsChanged);
        QSignalSpy ignoredChanged(&f.refresher, &PortListRefresher::ignoredPortsChanged);
        QVERIFY(f.check());
        const QString key = QString::number(port) + u":4242"_s;
        QCOMPARE(f.refresher.ports().size(), 3);
        QVERIFY(f.refresher.ports().contains(QString::number(port) + u":4243"_s));
        const PortData shown = f.refresher.ports().value(key);
        QCOMPARE(shown.htmlData()->title, u"Dashboard"_s);
        QCOMPARE(shown.processInfo()->cwd, u"/work/4242"_s);
        QCOMPARE(f.origins.load(), 2);
        // An ignored listener is shown under its process name, without page data or origin.
        QCOMPARE(f.refresher.ignoredPorts().value(u"5432:77"_s),
                 PortData(u"postgres"_s, u"5432"_s, u"77"_s,
                          HTMLData{u"postgres"_s, AppType::unknown, std::nullopt, HttpScheme::http}));
        QCOMPARE(ignoredChanged.count(), 1);
        // The same listing again probes nothing and changes nothing a view would redraw, though the page did.
        portsChanged.clear();
        QVERIFY(writeFile(titleFile, "After"));
        QVERIFY(f.check());
        QCOMPARE(f.origins.load(), 2);
        QCOMPARE(portsChanged.count(), 0);
        QCOMPARE(ignoredChanged.count(), 1);
        // A refresh forgets what was seen: page and origin are asked again.
        QVERIFY(f.check(true));
        QCOMPARE(f.refresher.ports().value(key).htmlData()->title, u"After"_s);
        QCOMPARE(f.origins.load(), 4);
        // Both exit: the server's rows go, on a refresh too; the ignored entry stays.
        f.set({});
        QVERIFY(f.check(true));
        QVERIFY(f.refresher.ports().isEmpty());
        QCOMPARE(f.refresher.ignoredPorts().keys(), QStringList{u"5432:77"_s});
    }

    void lateResultOfAVanishedServerIsDropped()
    {
        auto server = startListener({u"--mode"_s, u"slow"_s});
        QVERIFY(server->waitUntilReady());
        Fixture f;
        f.set({entry(server->port(), "5")});
        QSignalSpy finished(&f.refresher, &PortListRefresher::checkFinished);
        f.refresher.checkPorts();
        // While the slow page is on its way, the server disappears from the listing.
        QTRY_VERIFY(!f.refresher.isScanning());
        f.set({});
        f.refresher.checkPorts();
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 2, 10000);
        QVERIFY(f.refresher.ports().isEmpty());
    }

    void tickDuringAScanIsSkipped()
    {
        Fixture f;
        QSemaphore gate;
        f.scanGate = &gate;
        QSignalSpy finished(&f.refresher, &PortListRefresher::checkFinished);
        for (int tick = 0; tick < 3; ++tick)
            f.refresher.checkPorts();
        QVERIFY(f.refresher.isScanning());
        gate.release(3);
        QVERIFY(finished.wait(5000));
        QCOMPARE(f.scans.load(), 1);
        f.refresher.checkPorts();
        QVERIFY(finished.wait(5000));
        QCOMPARE(f.scans.load(), 2);
    }

    // Quitting never waits for a listing that does not end, here the command backend's hanging lsof.
    void quitLeavesAHangingListingBehind()
    {
        QTemporaryDir dir;
        const QString started = dir.filePath(u"started"_s);
        const QString lsof = dir.filePath(u"lsof"_s);
        QVERIFY(
            writeFile(lsof, "#!/bin/sh\necho $$ > '" + QFile::encodeName(started) + "'\nexec sleep 600\n"));
        QVERIFY(QFile::setPermissions(lsof, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(dir.path()) + ':' + path);
        const auto restore = qScopeGuard([&] { qputenv("PATH", path); });
        const Host host = Host::create(Host::Backend::commands);
        const PortScanner scanner(host.sockets, host.processes);
        PageProbe probe;
        auto refresher = std::make_unique<PortListRefresher>(
            [scanner] { return scanner.scanListeningPorts(); }, &probe,
            [](const ProcessIdentity&) { return std::optional<ProcessInfo>(); });
        refresher->checkPorts();
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(started).size() > 0, 20000);
        const pid_t hanging = fileContent(started).trimmed().toInt();
        QVERIFY(hanging > 0);
        const auto end = qScopeGuard([hanging] { ::kill(hanging, SIGKILL); });
        refresher->leaveJobsBehindAfter(100);
        refresher.reset();
        QVERIFY(::kill(hanging, 0) == 0); // still hanging: the quit above did not wait for it
    }

    // Numbers compare as numbers, ports and pids alike; texts come after them.
    void rowsComeInPortThenPidOrder()
    {
        QList<PortData> entries;
        for (const QString& key : u"8080:1 *:1 3000:100 443:2 3000:9 22:1 3000:20"_s.split(u' '))
            entries.append(PortData(u"node"_s, key.section(u':', 0, 0), key.section(u':', 1, 1)));
        QStringList sorted;
        for (const PortData& e : PortListRefresher::sortedByPortAndPid(entries))
            sorted.append(e.portKey());
        QCOMPARE(sorted.join(u' '), u"22:1 443:2 3000:9 3000:20 3000:100 8080:1 *:1"_s);
    }

    // A server still starting up breaks off every connection: it is listed all the same, with its origin,
    // and asked again until it answers.
    void serverThatDidNotAnswerIsAskedAgain()
    {
        StubHttpServer server;
        server.setServingPages(true);
        server.setReply("/", StubHttpServer::Reply::drop());
        const int port = QUrl(server.origin()).port();
        Fixture f;
        f.set({entry(port, "4242")});
        QSignalSpy changed(&f.refresher, &PortListRefresher::portsChanged);
        QVERIFY(f.check());
        const QString key = QString::number(port) + u":4242"_s;
        QVERIFY(f.refresher.ports().isEmpty());
        QCOMPARE(f.refresher.unansweredPorts().keys(), QStringList{key});
        QCOMPARE(f.refresher.unansweredPorts().value(key).processInfo()->cwd, u"/work/4242"_s);
        QCOMPARE(changed.size(), 1);
        StubHttpServer::Reply page = StubHttpServer::Reply::with("<title>At last</title>");
        page.headers.append({"Content-Type"_ba, "text/html"_ba});
        server.setReply("/", page);
        QTRY_VERIFY_WITH_TIMEOUT((f.check(), f.refresher.ports().contains(key)), 20000);
        QCOMPARE(f.refresher.ports().value(key).htmlData()->title, u"At last"_s);
        QVERIFY(f.refresher.unansweredPorts().isEmpty());
    }

    void proxyListenersAreShownAsTheirContainers_data();
    void proxyListenersAreShownAsTheirContainers()
    {
        QFETCH(QByteArray, status);
        QFETCH(QByteArray, body);
        QFETCH(int, requests);
        QFETCH(QString, cacheTitle);
        const bool named = cacheTitle != u"docker-proxy"_s;
        body.replace("%SHOP%", QByteArray::number(shop->port()))
            .replace("%CACHE%", QByteArray::number(cache->port()))
            .replace("%BOX%", QByteArray::number(box->port()));
        QTemporaryDir folder;
        const QString socketPath = folder.filePath(u"docker.sock"_s);
        auto engine = status.isEmpty() ? nullptr : std::make_unique<EngineStandIn>(socketPath, status, body);
        QStringList ours{QString::number(plain->port())};
        if (!cacheTitle.isEmpty())
            ours << QString::number(shop->port()) << QString::number(cache->port())
                 << QString::number(box->port());
        Fixture f;
        f.scan = scanOf(ours);
        const ContainerEngine client({socketPath}, status == "silent" ? 300 : 10'000);
        f.refresher.setContainerLookup([client] { return client.listContainers(); });
        const auto row = [](const QHash<QString, PortData>& rows, const ChildProcess& listener) {
            return rows.value(QString::number(listener.port()) + u':' + QString::number(listener.pid()));
        };
        // The first check names the containers; later ones are answered from the cache.
        for (int check = 0; check < 3; ++check) {
            QVERIFY(f.check());
            if (check == 0 && named && !cacheTitle.isEmpty())
                QCOMPARE(row(f.refresher.ports(), *shop).processName(), u"shop-web"_s);
        }
        QCOMPARE(engine ? engine->requests : 0, requests);
        QCOMPARE(row(f.refresher.ignoredPorts(), *plain).htmlData()->title, u"postgres"_s);
        if (cacheTitle.isEmpty())
            return;
        // A container is a server like any other, listed once: with its page's title when it serves
        // one, else with its own name and image as title, whether it answered (an API) or not.
        const auto shown = [&](const QHash<QString, PortData>& rows, const ChildProcess& listener) {
            const PortData entry = row(named ? rows : f.refresher.ignoredPorts(), listener);
            return entry.processName() + u'|' + entry.htmlData()->title;
        };
        const QString unnamed = u"docker-proxy|docker-proxy"_s;
        QCOMPARE(shown(f.refresher.ports(), *cache), cacheTitle.section(u" ("_s, 0, 0) + u'|' + cacheTitle);
        QCOMPARE(shown(f.refresher.ports(), *shop), named ? u"shop-web|Shop"_s : unnamed);
        QCOMPARE(shown(f.refresher.unansweredPorts(), *box), named ? u"box|box (nginx)"_s : unnamed);
        QCOMPARE(f.refresher.ports().size() + f.refresher.unansweredPorts().size() +
                     f.refresher.ignoredPorts().size(),
                 4);
    }

    // A container replaced by another on the same published port is shown under the new one's name.
    void replacedContainerShowsItsOwnName()
    {
        auto first = startListener({u"--name"_s, u"docker-proxy"_s, u"--title"_s, u"Old"_s});
        QVERIFY(first->waitUntilReady());
        const QString port = QString::number(first->port());
        const QByteArray listed =
            R"([{"Names":["/%NAME%"],"Image":"web:1","Ports":[{"PublicPort":)" + port.toUtf8() + "}]}]";
        QTemporaryDir folder;
        EngineStandIn engine(folder.filePath(u"docker.sock"_s), "200 OK",
                             QByteArray(listed).replace("%NAME%", "old-web"));
        Fixture f;
        const ContainerEngine client({folder.filePath(u"docker.sock"_s)});
        f.refresher.setContainerLookup([client] { return client.listContainers(); });
        const auto scanOurs = [&] {
            const ScanResult scan = scanOf({port});
            f.set(scan.candidates, scan.ignored);
            return !scan.ignored.isEmpty();
        };
        const auto shownAs = [&] {
            QStringList names;
            for (const PortData& entry : f.refresher.sortedListedPorts() + f.refresher.sortedIgnoredPorts()) {
                if (entry.port() == port)
                    names.append(entry.processName() + u'|' + entry.htmlData().value_or(HTMLData{}).title);
            }
            return names;
        };
        QVERIFY(scanOurs());
        QVERIFY(f.check());
        QCOMPARE(shownAs(), QStringList{u"old-web|Old"_s});
        first->kill();
        engine.body = QByteArray(listed).replace("%NAME%", "new-web");
        auto second = startListener(
            {u"--name"_s, u"docker-proxy"_s, u"--title"_s, u"New"_s, u"--bind"_s, u"127.0.0.1:"_s + port});
        QVERIFY(second->waitUntilReady());
        QTRY_VERIFY_WITH_TIMEOUT((scanOurs(), f.check(), shownAs() == QStringList{u"new-web|New"_s}), 30'000);
        QCOMPARE(engine.requests, 2);
    }

private:
    std::unique_ptr<ChildProcess> shop, cache, box, plain;
};

// Outside the class: moc misreads raw strings that begin or end with a quote.
void PortsTest::proxyListenersAreShownAsTheirContainers_data()
{
    QTest::addColumn<QByteArray>("status"); // empty: no engine; "silent": it never replies
    QTest::addColumn<QByteArray>("body");   // %SHOP% and %CACHE% stand for the published ports
    QTest::addColumn<int>("requests");
    QTest::addColumn<QString>("cacheTitle"); // "docker-proxy": not named; empty: no proxy listens

    const QByteArray containers =
        R"([{"Names":["/shop-web"],"Image":"shop:dev","Ports":[{"PrivatePort":80,
        "PublicPort":%SHOP%}]},{"Names":["/cache"],"Image":"redis:7","Ports":[{"PublicPort":%CACHE%}]},
        {"Names":["/box"],"Image":"nginx","Ports":[{"PublicPort":%BOX%}]}])";
    const QByteArray hostile =
        R"([null,{"Names":[7]},{"Names":["/shop-web"],"Ports":[{"PublicPort":%SHOP%}]},{"Names":
        ["/\u202ecache\n)" +
        QByteArray(200, 'x') +
        R"("],"Image":"<b>redis</b>","Ports":[{"PublicPort":1e9},{"PublicPort":%CACHE%}]},
        {"Names":["/box"],"Image":"nginx","Ports":[{"PublicPort":%BOX%}]}])";
    QTest::newRow("named") << "200 OK"_ba << containers << 1 << u"cache (redis:7)"_s;
    QTest::newRow("hostile names") << "200 OK"_ba << hostile << 1
                                   << u"cache "_s + QString(57, u'x') + QChar(0x2026) + u" (<b>redis</b>)"_s;
    QTest::newRow("no engine") << QByteArray() << QByteArray() << 0 << u"docker-proxy"_s;
    QTest::newRow("error status") << "500 Internal Server Error"_ba << containers << 1 << u"docker-proxy"_s;
    QTest::newRow("not json") << "200 OK"_ba
                              << "<html>"_ba << 1 << u"docker-proxy"_s;
    QTest::newRow("silent engine") << "silent"_ba << QByteArray() << 1 << u"docker-proxy"_s;
    // Valid JSON, but more than the engine's reply may take: none of it is read as a list.
    QTest::newRow("list over the size cap")
        << "200 OK"_ba << containers + QByteArray(ContainerEngine::kMaxReplyBytes, ' ') << 1
        << u"docker-proxy"_s;
    QTest::newRow("no proxy listening") << "200 OK"_ba << containers << 0 << QString();
}

QTEST_GUILESS_MAIN(PortsTest)
#include "tst_ports.moc"
