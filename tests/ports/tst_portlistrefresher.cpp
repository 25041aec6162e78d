#include "ports/PortListRefresher.h"
#include "probe/PageProbe.h"
#include "support/TestProcesses.h"

#include <QMutex>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>

using namespace tidewell;
using namespace tidewell::test;

namespace {

// A scan whose result the test sets; origin lookups that are counted.
struct FakeHost
{
    QMutex mutex;
    ScanResult scan;
    std::atomic<int> scans = 0;
    std::atomic<int> origins = 0;
    QSemaphore* scanGate = nullptr; // when set, each scan waits for one release

    void set(const QList<PortData>& candidates, const QList<PortData>& ignored = {})
    {
        QMutexLocker lock(&mutex);
        scan = ScanResult{candidates, ignored};
    }
};

PortData entry(const QString& name, int port, const QString& pid)
{
    return PortData(name, QString::number(port), pid);
}

class Fixture
{
public:
    Fixture()
        : refresher(
              [host = &host] {
                  if (host->scanGate)
                      host->scanGate->acquire();
                  ++host->scans;
                  QMutexLocker lock(&host->mutex);
                  return host->scan;
              },
              &probe,
              [host = &host](const QString& pid) {
                  ++host->origins;
                  return std::optional(
                      ProcessInfo{QStringLiteral("/work/") + pid, QStringLiteral("serve ") + pid});
              })
    {
        probe.setTimeoutMs(2000);
    }

    // One refresh, waited for to its end.
    bool check()
    {
        QSignalSpy finished(&refresher, &PortListRefresher::checkFinished);
        refresher.checkPorts();
        return finished.wait(10000);
    }

    FakeHost host;
    PageProbe probe;
    PortListRefresher refresher;
};

} // namespace

class PortListRefresherTest : public QObject
{
    Q_OBJECT
private slots:
    void firstRefreshFillsBothLists();
    void serverWithoutPageIsNotListedNorProbedAgain();
    void exitedServerIsRemoved();
    void socketsOfOneProcessOnOnePortGiveOneRow();
    void twoProcessesOnOnePortGiveTwoRows();
    void pageDataIsKeptUntilRefresh();
    void ignoredEntriesOutliveTheirProcess();
    void lateResultOfAVanishedServerIsDropped();
    void tickDuringAScanIsSkipped();
    void rowsComeInPortThenPidOrder_data();
    void rowsComeInPortThenPidOrder();
};

void PortListRefresherTest::firstRefreshFillsBothLists()
{
    auto server = startListener({QStringLiteral("--title"), QStringLiteral("Dashboard")});
    QVERIFY(server->waitUntilReady());
    Fixture f;
    f.host.set({entry(QStringLiteral("node"), server->port(), QStringLiteral("4242"))},
               {entry(QStringLiteral("postgres"), 5432, QStringLiteral("77"))});
    QSignalSpy portsChanged(&f.refresher, &PortListRefresher::portsChanged);
    QVERIFY(f.check());

    const QString key = QString::number(server->port()) + QStringLiteral(":4242");
    QCOMPARE(f.refresher.ports().keys(), QStringList{key});
    const PortData shown = f.refresher.ports().value(key);
    QCOMPARE(shown.htmlData()->title, QStringLiteral("Dashboard"));
    QCOMPARE(shown.htmlData()->scheme, HttpScheme::http);
    QCOMPARE(shown.processInfo()->cwd, QStringLiteral("/work/4242"));
    QVERIFY(portsChanged.count() >= 1);

    const PortData ignored = f.refresher.ignoredPorts().value(QStringLiteral("5432:77"));
    QCOMPARE(ignored, PortData(QStringLiteral("postgres"), QStringLiteral("5432"), QStringLiteral("77"),
                               HTMLData{QStringLiteral("postgres"), AppType::unknown, std::nullopt,
                                        HttpScheme::http}));
    QCOMPARE(f.host.origins.load(), 1);
}

void PortListRefresherTest::serverWithoutPageIsNotListedNorProbedAgain()
{
    auto server =
        startListener({QStringLiteral("--mode"), QStringLiteral("json"), QStringLiteral("--log-requests")});
    QVERIFY(server->waitUntilReady());
    Fixture f;
    f.host.set({entry(QStringLiteral("node"), server->port(), QStringLiteral("9229"))});
    QVERIFY(f.check());
    QVERIFY(f.refresher.ports().isEmpty());
    QCOMPARE(f.host.origins.load(), 0);
    QTRY_COMPARE(server->output().count("request"), 1);

    QVERIFY(f.check());
    QVERIFY(f.check());
    QCOMPARE(server->output().count("request"), 1);
    QCOMPARE(f.refresher.lastCheckPorts().size(), 1);
}

void PortListRefresherTest::exitedServerIsRemoved()
{
    auto server = startListener({});
    QVERIFY(server->waitUntilReady());
    Fixture f;
    f.host.set({entry(QStringLiteral("node"), server->port(), QStringLiteral("1"))});
    QVERIFY(f.check());
    QCOMPARE(f.refresher.ports().size(), 1);

    f.host.set({});
    QSignalSpy portsChanged(&f.refresher, &PortListRefresher::portsChanged);
    QVERIFY(f.check());
    QVERIFY(f.refresher.ports().isEmpty());
    QCOMPARE(portsChanged.count(), 1);
}

void PortListRefresherTest::socketsOfOneProcessOnOnePortGiveOneRow()
{
    auto server = startListener({});
    QVERIFY(server->waitUntilReady());
    Fixture f;
    const PortData socket = entry(QStringLiteral("node"), server->port(), QStringLiteral("5"));
    f.host.set({socket, socket});
    QVERIFY(f.check());
    QCOMPARE(f.refresher.ports().size(), 1);
    QCOMPARE(f.refresher.lastCheckPorts().size(), 2);
}

void PortListRefresherTest::twoProcessesOnOnePortGiveTwoRows()
{
    auto server = startListener({});
    QVERIFY(server->waitUntilReady());
    Fixture f;
    f.host.set({entry(QStringLiteral("node"), server->port(), QStringLiteral("5")),
                entry(QStringLiteral("node"), server->port(), QStringLiteral("6"))});
    QVERIFY(f.check());
    QCOMPARE(f.refresher.ports().size(), 2);
}

void PortListRefresherTest::pageDataIsKeptUntilRefresh()
{
    QTemporaryDir dir;
    const QString titleFile = dir.filePath(QStringLiteral("title"));
    auto writeTitle = [&](const char* title) {
        QFile file(titleFile);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(title);
    };
    writeTitle("Before");
    auto server = startListener({QStringLiteral("--title-file"), titleFile});
    QVERIFY(server->waitUntilReady());
    Fixture f;
    f.host.set({entry(QStringLiteral("node"), server->port(), QStringLiteral("5"))});
    QVERIFY(f.check());
    writeTitle("After");
    QVERIFY(f.check());
    QCOMPARE(f.refresher.sortedPorts().value(0).htmlData()->title, QStringLiteral("Before"));

    QSignalSpy finished(&f.refresher, &PortListRefresher::checkFinished);
    f.refresher.refresh();
    QVERIFY(finished.wait(10000));
    QCOMPARE(f.refresher.sortedPorts().value(0).htmlData()->title, QStringLiteral("After"));
    QCOMPARE(f.host.origins.load(), 2);
}

void PortListRefresherTest::ignoredEntriesOutliveTheirProcess()
{
    Fixture f;
    f.host.set({}, {entry(QStringLiteral("redis-ser"), 6379, QStringLiteral("8"))});
    QSignalSpy ignoredChanged(&f.refresher, &PortListRefresher::ignoredPortsChanged);
    QVERIFY(f.check());
    QCOMPARE(ignoredChanged.count(), 1);
    // The same listener again changes nothing that a view would redraw.
    QVERIFY(f.check());
    QCOMPARE(ignoredChanged.count(), 1);
    f.host.set({});
    QVERIFY(f.check());
    QCOMPARE(f.refresher.ignoredPorts().keys(), QStringList{QStringLiteral("6379:8")});
}

void PortListRefresherTest::lateResultOfAVanishedServerIsDropped()
{
    auto server = startListener({QStringLiteral("--mode"), QStringLiteral("slow")});
    QVERIFY(server->waitUntilReady());
    Fixture f;
    f.host.set({entry(QStringLiteral("node"), server->port(), QStringLiteral("5"))});
    QSignalSpy finished(&f.refresher, &PortListRefresher::checkFinished);
    f.refresher.checkPorts();
    // While the slow page is on its way, the server disappears from the listing.
    QTRY_VERIFY(!f.refresher.isScanning());
    f.host.set({});
    f.refresher.checkPorts();
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 2, 10000);
    QVERIFY(f.refresher.ports().isEmpty());
}

void PortListRefresherTest::tickDuringAScanIsSkipped()
{
    Fixture f;
    QSemaphore gate;
    f.host.scanGate = &gate;
    QSignalSpy finished(&f.refresher, &PortListRefresher::checkFinished);
    f.refresher.checkPorts();
    f.refresher.checkPorts();
    f.refresher.checkPorts();
    QVERIFY(f.refresher.isScanning());
    gate.release(3);
    QVERIFY(finished.wait(5000));
    QCOMPARE(f.host.scans.load(), 1);
    f.refresher.checkPorts();
    QVERIFY(finished.wait(5000));
    QCOMPARE(f.host.scans.load(), 2);
}

void PortListRefresherTest::rowsComeInPortThenPidOrder_data()
{
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("numeric not textual")
        << QStringList{QStringLiteral("8080:1"), QStringLiteral("3000:9"), QStringLiteral("443:2")}
        << QStringList{QStringLiteral("443:2"), QStringLiteral("3000:9"), QStringLiteral("8080:1")};
    QTest::newRow("pid breaks ties") << QStringList{QStringLiteral("3000:100"), QStringLiteral("3000:20")}
                                     << QStringList{QStringLiteral("3000:20"), QStringLiteral("3000:100")};
    QTest::newRow("texts after numbers") << QStringList{QStringLiteral("*:1"), QStringLiteral("22:1")}
                                         << QStringList{QStringLiteral("22:1"), QStringLiteral("*:1")};
}

void PortListRefresherTest::rowsComeInPortThenPidOrder()
{
    QFETCH(QStringList, keys);
    QFETCH(QStringList, expected);
    QList<PortData> entries;
    for (const QString& key : keys)
        entries.append(PortData(QStringLiteral("node"), key.section(QLatin1Char(':'), 0, 0),
                                key.section(QLatin1Char(':'), 1, 1)));
    QStringList sorted;
    for (const PortData& e : PortListRefresher::sortedByPortAndPid(entries))
        sorted.append(e.portKey());
    QCOMPARE(sorted, expected);
}

QTEST_GUILESS_MAIN(PortListRefresherTest)
#include "tst_portlistrefresher.moc"
