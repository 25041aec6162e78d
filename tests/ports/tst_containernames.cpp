#include "platform/ContainerEngine.h"
#include "platform/Host.h"
#include "ports/PortListRefresher.h"
#include "probe/PageProbe.h"
#include "support/TestProcesses.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace tidewell;
using namespace tidewell::test;
using namespace Qt::StringLiterals;

namespace {

// The container engine's API on a unix socket: counts the requests for the container list and
// answers each with `status` and `body`, or never when the status is "silent".
struct EngineStandIn
{
    EngineStandIn(const QString& path, const QByteArray& status, const QByteArray& body)
    {
        QObject::connect(&server, &QLocalServer::newConnection, [this, status, body] {
            while (QLocalSocket* socket = server.nextPendingConnection()) {
                QObject::connect(socket, &QLocalSocket::readyRead, [this, socket, status, body] {
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
    QHash<QLocalSocket*, QByteArray> heads;
    int requests = 0;
};

} // namespace

class ContainerNamesTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() // listeners named as the kernel names the engine's proxy, and one that is not
    {
        shop = startListener({u"--name"_s, u"docker-proxy"_s, u"--title"_s, u"Shop"_s});
        cache = startListener({u"--name"_s, u"docker-proxy"_s, u"--mode"_s, u"json"_s});
        plain = startListener({u"--name"_s, u"postgres"_s, u"--mode"_s, u"json"_s});
        QVERIFY(shop->waitUntilReady() && cache->waitUntilReady() && plain->waitUntilReady());
    }
    void proxyListenersAreShownAsTheirContainers_data();
    void proxyListenersAreShownAsTheirContainers();

private:
    std::unique_ptr<ChildProcess> shop, cache, plain;
};

void ContainerNamesTest::proxyListenersAreShownAsTheirContainers_data()
{
    QTest::addColumn<QByteArray>("status"); // empty: no engine; "silent": it never replies
    QTest::addColumn<QByteArray>("body");   // %SHOP% and %CACHE% stand for the published ports
    QTest::addColumn<int>("requests");
    QTest::addColumn<QString>("cacheTitle"); // "docker-pr": not named; empty: no proxy listens

    const QByteArray containers = R"([{"Names":["/shop-web"],"Image":"shop:dev","Ports":[{"PrivatePort":80,
        "PublicPort":%SHOP%}]},{"Names":["/cache"],"Image":"redis:7","Ports":[{"PublicPort":%CACHE%}]}])";
    const QByteArray hostile =
        R"([null,{"Names":[7]},{"Names":["/shop-web"],"Ports":[{"PublicPort":%SHOP%}]},{"Names":
        ["/\u202ecache\n)" +
        QByteArray(200, 'x') +
        R"("],"Image":"<b>redis</b>","Ports":[{"PublicPort":1e9},{"PublicPort":%CACHE%}]}])";
    QTest::newRow("named") << "200 OK"_ba << containers << 1 << u"cache (redis:7)"_s;
    QTest::newRow("hostile names") << "200 OK"_ba << hostile << 1
                                   << u"cache "_s + QString(57, u'x') + QChar(0x2026) + u" (<b>redis</b>)"_s;
    QTest::newRow("no engine") << QByteArray() << QByteArray() << 0 << u"docker-pr"_s;
    QTest::newRow("error status") << "500 Internal Server Error"_ba << containers << 1 << u"docker-pr"_s;
    QTest::newRow("not json") << "200 OK"_ba
                              << "<html>"_ba << 1 << u"docker-pr"_s;
    QTest::newRow("silent engine") << "silent"_ba << QByteArray() << 1 << u"docker-pr"_s;
    QTest::newRow("no proxy listening") << "200 OK"_ba << containers << 0 << QString();
}

void ContainerNamesTest::proxyListenersAreShownAsTheirContainers()
{
    QFETCH(QByteArray, status);
    QFETCH(QByteArray, body);
    QFETCH(int, requests);
    QFETCH(QString, cacheTitle);
    const bool named = cacheTitle != u"docker-pr"_s;

    body.replace("%SHOP%", QByteArray::number(shop->port()))
        .replace("%CACHE%", QByteArray::number(cache->port()));
    QTemporaryDir folder;
    const QString socketPath = folder.filePath(u"docker.sock"_s);
    auto engine = status.isEmpty() ? nullptr : std::make_unique<EngineStandIn>(socketPath, status, body);

    // The host's real listing, cut to this test's own listeners.
    const QStringList ours =
        QStringList{QString::number(plain->port())} +
        (cacheTitle.isEmpty() ? QStringList()
                              : QStringList{QString::number(shop->port()), QString::number(cache->port())});
    const auto notOurs = [ours](const PortData& entry) { return !ours.contains(entry.port()); };
    const Host host = Host::create();
    PageProbe probe;
    PortListRefresher refresher(
        [scanner = PortScanner(host.sockets, host.processes), notOurs] {
            ScanResult scan = scanner.scanListeningPorts();
            scan.candidates.removeIf(notOurs);
            scan.ignored.removeIf(notOurs);
            return scan;
        },
        &probe, [](const ProcessIdentity&) { return std::optional<ProcessInfo>(); });
    const ContainerEngine client({socketPath}, status == "silent" ? 300 : 10'000);
    refresher.setContainerLookup([client] { return client.listContainers(); });
    const auto row = [](const QHash<QString, PortData>& rows, const ChildProcess& listener) {
        return rows.value(QString::number(listener.port()) + u':' + QString::number(listener.pid()));
    };

    // The first check names the containers; later ones are answered from the cache.
    for (int check = 0; check < 3; ++check) {
        QSignalSpy finished(&refresher, &PortListRefresher::checkFinished);
        refresher.checkPorts();
        QVERIFY(finished.wait(20'000));
        if (check == 0 && named && !cacheTitle.isEmpty())
            QCOMPARE(row(refresher.ports(), *shop).processName(), u"shop-web"_s);
    }
    QCOMPARE(engine ? engine->requests : 0, requests);
    QCOMPARE(row(refresher.ignoredPorts(), *plain).htmlData()->title, u"postgres"_s);
    if (cacheTitle.isEmpty())
        return;
    // The container serving a page is a server like any other; the other one stays among all ports.
    const PortData other = row(refresher.ignoredPorts(), *cache);
    QCOMPARE((QStringList{other.processName(), other.htmlData()->title}),
             (QStringList{cacheTitle.section(u" ("_s, 0, 0), cacheTitle}));
    const PortData server = row(named ? refresher.ports() : refresher.ignoredPorts(), *shop);
    QCOMPARE((QStringList{server.processName(), server.htmlData()->title}),
             (named ? QStringList{u"shop-web"_s, u"Shop"_s} : QStringList{u"docker-pr"_s, u"docker-pr"_s}));
    QCOMPARE(refresher.ports().size() + refresher.ignoredPorts().size(), 3);
}

QTEST_GUILESS_MAIN(ContainerNamesTest)
#include "tst_containernames.moc"
