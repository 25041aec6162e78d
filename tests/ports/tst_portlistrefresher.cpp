#include "ports/PortListRefresher.h"
#include "probe/PageProbe.h"
#include "support/StubHttpServer.h"
#include "support/TestProcesses.h"

#include <QMutex>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>

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
                  const QString pid = listed.pid;
                  ++origins;
                  return std::optional(ProcessInfo{u"/work/"_s + pid, u"serve "_s + pid});
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
        return finished.wait(10000);
    }

    QMutex mutex;
    ScanResult scan;
    std::atomic<int> scans = 0;
    std::atomic<int> origins = 0;
    QSemaphore* scanGate = nullptr; // when set, each scan waits for one release
    PageProbe probe;
    PortListRefresher refresher;
};

} // namespace

class PortListRefresherTest : public QObject
{
    Q_OBJECT
private slots:
    void listsServersAndIgnoredListenersOverTheirLife()
    {
        QTemporaryDir dir;
        const QString titleFile = dir.filePath(u"title"_s);
        QVERIFY(writeFile(titleFile, "Dashboard"));
        auto server = startListener({u"--title-file"_s, titleFile});
        QVERIFY(server->waitUntilReady());
        Fixture f;
        f.set({entry(server->port(), "4242")}, {entry(5432, "77", "postgres")});
        QSignalSpy portsChanged(&f.refresher, &PortListRefresher::portsChanged);
        QSignalSpy ignoredChanged(&f.refresher, &PortListRefresher::ignoredPortsChanged);
        QVERIFY(f.check());

        const QString key = QString::number(server->port()) + u":4242"_s;
        QCOMPARE(f.refresher.ports().keys(), QStringList{key});
        const PortData shown = f.refresher.ports().value(key);
        QCOMPARE(shown.htmlData()->title, u"Dashboard"_s);
        QCOMPARE(shown.htmlData()->scheme, HttpScheme::http);
        QCOMPARE(shown.processInfo()->cwd, u"/work/4242"_s);
        QVERIFY(portsChanged.count() >= 1);
        // An ignored listener is shown under its process name, without page data or origin.
        QCOMPARE(f.refresher.ignoredPorts().value(u"5432:77"_s),
                 PortData(u"postgres"_s, u"5432"_s, u"77"_s,
                          HTMLData{u"postgres"_s, AppType::unknown, std::nullopt, HttpScheme::http}));
        QCOMPARE(ignoredChanged.count(), 1);

        // The same listing again probes nothing and changes nothing a view would redraw, though the page did.
        portsChanged.clear();
        QVERIFY(writeFile(titleFile, "After"));
        QVERIFY(f.check());
        QCOMPARE(f.origins.load(), 1);
        QCOMPARE(portsChanged.count(), 0);
        QCOMPARE(ignoredChanged.count(), 1);
        // A refresh forgets what was seen: page and origin are asked again.
        QVERIFY(f.check(true));
        QCOMPARE(f.refresher.ports().value(key).htmlData()->title, u"After"_s);
        QCOMPARE(f.origins.load(), 2);

        // Both exit: the server's row goes, on a refresh too; the ignored entry stays.
        portsChanged.clear();
        f.set({});
        QVERIFY(f.check(true));
        QVERIFY(f.refresher.ports().isEmpty());
        QVERIFY(portsChanged.count() >= 1);
        QCOMPARE(f.refresher.ignoredPorts().keys(), QStringList{u"5432:77"_s});
    }

    void oneRowPerPortAndProcess_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("pids");
        QTest::addColumn<int>("rows");
        // An IPv4 and an IPv6 socket of one process are listed twice by lsof but are one server.
        QTest::newRow("two sockets of one process") << u"html"_s << u"5 5"_s << 1;
        QTest::newRow("two processes") << u"html"_s << u"5 6"_s << 2;
        QTest::newRow("no page") << u"json"_s << u"9229"_s << 0;
    }

    // Every candidate is probed once; later scans that still list it probe it no more, shown or not.
    void oneRowPerPortAndProcess()
    {
        QFETCH(QString, mode);
        QFETCH(QString, pids);
        QFETCH(int, rows);
        auto server = startListener({u"--mode"_s, mode, u"--log-requests"_s});
        QVERIFY(server->waitUntilReady());
        Fixture f;
        QList<PortData> candidates;
        for (const QString& pid : pids.split(u' '))
            candidates.append(PortData(u"node"_s, QString::number(server->port()), pid));
        f.set(candidates);
        QVERIFY(f.check());
        QCOMPARE(int(f.refresher.ports().size()), rows);
        QTRY_COMPARE(server->output().count("request"), candidates.size());

        QVERIFY(f.check());
        QVERIFY(f.check());
        QCOMPARE(server->output().count("request"), candidates.size());
        QCOMPARE(int(f.refresher.ports().size()), rows);
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
        f.refresher.checkPorts();
        f.refresher.checkPorts();
        f.refresher.checkPorts();
        QVERIFY(f.refresher.isScanning());
        gate.release(3);
        QVERIFY(finished.wait(5000));
        QCOMPARE(f.scans.load(), 1);
        f.refresher.checkPorts();
        QVERIFY(finished.wait(5000));
        QCOMPARE(f.scans.load(), 2);
    }

    void rowsComeInPortThenPidOrder_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("expected");
        QTest::newRow("numeric not textual") << u"8080:1 3000:9 443:2"_s << u"443:2 3000:9 8080:1"_s;
        QTest::newRow("pid breaks ties") << u"3000:100 3000:20"_s << u"3000:20 3000:100"_s;
        QTest::newRow("texts after numbers") << u"*:1 22:1"_s << u"22:1 *:1"_s;
    }

    void rowsComeInPortThenPidOrder()
    {
        QFETCH(QString, keys);
        QList<PortData> entries;
        for (const QString& key : keys.split(u' '))
            entries.append(PortData(u"node"_s, key.section(u':', 0, 0), key.section(u':', 1, 1)));
        QStringList sorted;
        for (const PortData& e : PortListRefresher::sortedByPortAndPid(entries))
            sorted.append(e.portKey());
        QTEST(sorted.join(u' '), "expected");
    }

    void serverThatDidNotAnswerIsAskedAgain()
    {
        // Breaks off every connection until it is ready, as a server still starting up might.
        StubHttpServer server;
        server.setReply("/", StubHttpServer::Reply::drop());
        const int port = QUrl(server.origin()).port();
        Fixture f;
        f.set({entry(port, "4242")});
        QVERIFY(f.check());
        const QString key = QString::number(port) + u":4242"_s;
        QVERIFY(f.refresher.ports().isEmpty());
        QCOMPARE(f.refresher.unansweredPorts().keys(), QStringList{key});

        StubHttpServer::Reply page = StubHttpServer::Reply::with("<title>At last</title>");
        page.headers.append({"Content-Type"_ba, "text/html"_ba});
        server.setReply("/", page);
        QTRY_VERIFY_WITH_TIMEOUT((f.check(), f.refresher.ports().contains(key)), 20000);
        QCOMPARE(f.refresher.ports().value(key).htmlData()->title, u"At last"_s);
        QVERIFY(f.refresher.unansweredPorts().isEmpty());
    }
};

QTEST_GUILESS_MAIN(PortListRefresherTest)
#include "tst_portlistrefresher.moc"
