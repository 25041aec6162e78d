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

// The container engine's API on a unix socket: counts the requests and gives each the same reply,
// or none at all when the reply is empty.
class EngineStandIn : public QObject
{
public:
    EngineStandIn(const QString& path, QByteArray reply) : m_reply(std::move(reply))
    {
        connect(&m_server, &QLocalServer::newConnection, this, [this] {
            while (QLocalSocket* socket = m_server.nextPendingConnection()) {
                connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
                    QByteArray& head = m_heads[socket];
                    head += socket->readAll();
                    if (!head.contains("\r\n\r\n"))
                        return;
                    ++requests;
                    firstLine = head.left(head.indexOf("\r\n"));
                    QObject::disconnect(socket, &QLocalSocket::readyRead, nullptr, nullptr);
                    if (!m_reply.isEmpty()) {
                        socket->write(m_reply);
                        socket->disconnectFromServer();
                    }
                });
            }
        });
        QVERIFY(m_server.listen(path));
    }
    int requests = 0;
    QByteArray firstLine;

private:
    QLocalServer m_server;
    QByteArray m_reply;
    QHash<QLocalSocket*, QByteArray> m_heads;
};

QByteArray httpReply(const QByteArray& status, const QByteArray& body)
{
    return "HTTP/1.1 " + status +
           "\r\nContent-Type: application/json\r\nContent-Length: " + QByteArray::number(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

} // namespace

class ContainerNamesTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void proxyListenersAreShownAsTheirContainers_data();
    void proxyListenersAreShownAsTheirContainers();
    void socketsComeFromTheEnvironment_data();
    void socketsComeFromTheEnvironment();

private:
    std::unique_ptr<ChildProcess> m_shop;  // a container's web server behind docker-proxy
    std::unique_ptr<ChildProcess> m_cache; // a container serving no page
    std::unique_ptr<ChildProcess> m_plain; // no proxy
};

void ContainerNamesTest::initTestCase()
{
    m_shop = startListener({u"--name"_s, u"docker-proxy"_s, u"--title"_s, u"Shop"_s});
    m_cache = startListener({u"--name"_s, u"docker-proxy"_s, u"--mode"_s, u"json"_s});
    m_plain = startListener({u"--name"_s, u"postgres"_s, u"--mode"_s, u"json"_s});
    QVERIFY(m_shop->waitUntilReady() && m_cache->waitUntilReady() && m_plain->waitUntilReady());
}

void ContainerNamesTest::proxyListenersAreShownAsTheirContainers_data()
{
    QTest::addColumn<bool>("engineRuns");
    QTest::addColumn<QByteArray>("status"); // none: the engine never replies
    QTest::addColumn<QByteArray>("body");   // %SHOP% and %CACHE% stand for the published ports
    QTest::addColumn<bool>("proxiesListen");
    QTest::addColumn<int>("requests");
    QTest::addColumn<bool>("named");
    QTest::addColumn<QString>("cacheTitle");

    const QByteArray containers = R"([{"Names":["/shop-web"],"Image":"shop:dev","Ports":[{"PrivatePort":80,
        "PublicPort":%SHOP%,"Type":"tcp"}]},{"Names":["/cache"],"Image":"redis:7","Ports":[{"PublicPort":%CACHE%}]}])";
    const QByteArray hostile = R"([{"Names":["/shop-web"],"Ports":[{"PublicPort":%SHOP%}]},{"Names":[7]},
        {"Names":["/\u202ecache\n)" +
                               QByteArray(200, 'x') +
                               R"("],"Image":"<b>redis</b>","Ports":[{"PublicPort":%CACHE%},
        {"PublicPort":1e9},{"PublicPort":"80"}]}, null, {"Names":"x","Ports":{}}])";
    const QString cut = u"cache "_s + QString(57, u'x') + QChar(0x2026);
    QTest::newRow("named") << true << QByteArray("200 OK") << containers << true << 1 << true
                           << u"cache (redis:7)"_s;
    QTest::newRow("hostile names") << true << QByteArray("200 OK") << hostile << true << 1 << true
                                   << cut + u" (<b>redis</b>)"_s;
    QTest::newRow("no engine") << false << QByteArray() << QByteArray() << true << 0 << false
                               << u"docker-pr"_s;
    QTest::newRow("error status") << true << QByteArray("500 Internal Server Error") << containers << true
                                  << 1 << false << u"docker-pr"_s;
    QTest::newRow("not json") << true << QByteArray("200 OK") << QByteArray("<html>") << true << 1 << false
                              << u"docker-pr"_s;
    QTest::newRow("silent engine") << true << QByteArray() << QByteArray() << true << 1 << false
                                   << u"docker-pr"_s;
    QTest::newRow("no proxy listening")
        << true << QByteArray("200 OK") << containers << false << 0 << false << QString();
}

void ContainerNamesTest::proxyListenersAreShownAsTheirContainers()
{
    QFETCH(bool, engineRuns);
    QFETCH(QByteArray, status);
    QFETCH(QByteArray, body);
    QFETCH(bool, proxiesListen);
    QFETCH(int, requests);
    QFETCH(bool, named);
    QFETCH(QString, cacheTitle);

    const QString shopPort = QString::number(m_shop->port());
    const QString cachePort = QString::number(m_cache->port());
    body.replace("%SHOP%", shopPort.toLatin1()).replace("%CACHE%", cachePort.toLatin1());
    QTemporaryDir folder;
    const QString socketPath = folder.filePath(u"docker.sock"_s);
    std::unique_ptr<EngineStandIn> engine;
    if (engineRuns)
        engine = std::make_unique<EngineStandIn>(socketPath,
                                                 status.isEmpty() ? QByteArray() : httpReply(status, body));

    // The host's real listing, cut to this test's own listeners.
    QStringList ours{QString::number(m_plain->port())};
    if (proxiesListen)
        ours << shopPort << cachePort;
    const Host host = Host::create();
    const PortScanner scanner(host.sockets, host.processes);
    PageProbe probe;
    PortListRefresher refresher(
        [scanner, ours] {
            ScanResult scan = scanner.scanListeningPorts();
            scan.candidates.removeIf([&](const PortData& entry) { return !ours.contains(entry.port()); });
            scan.ignored.removeIf([&](const PortData& entry) { return !ours.contains(entry.port()); });
            return scan;
        },
        &probe, [](const ProcessIdentity&) { return std::optional<ProcessInfo>(); });
    const ContainerEngine client({socketPath}, status.isEmpty() ? 300 : 10'000);
    refresher.setContainerLookup([client] { return client.listContainers(); });

    // Later checks are answered from the cache.
    for (int check = 0; check < 3; ++check) {
        QSignalSpy finished(&refresher, &PortListRefresher::checkFinished);
        refresher.checkPorts();
        QVERIFY(finished.wait(20'000));
    }
    QCOMPARE(engine ? engine->requests : 0, requests);
    if (requests > 0)
        QCOMPARE(engine->firstLine.left(21), "GET /containers/json ");

    const QString shopKey = shopPort + u':' + QString::number(m_shop->pid());
    const QString cacheKey = cachePort + u':' + QString::number(m_cache->pid());
    const QString plainKey = QString::number(m_plain->port()) + u':' + QString::number(m_plain->pid());
    QCOMPARE(refresher.ignoredPorts().value(plainKey).htmlData()->title, u"postgres"_s);
    if (!proxiesListen)
        return;
    // The container serving a page is a server like any other; the other stays among all ports.
    const PortData cache = refresher.ignoredPorts().value(cacheKey);
    QCOMPARE(cache.htmlData()->title, cacheTitle);
    QCOMPARE(refresher.ports().contains(shopKey), named);
    QCOMPARE(refresher.ignoredPorts().contains(shopKey), !named);
    if (named) {
        QCOMPARE(refresher.ports().value(shopKey).processName(), u"shop-web"_s);
        QCOMPARE(refresher.ports().value(shopKey).htmlData()->title, u"Shop"_s);
        QCOMPARE(cache.processName(), cacheTitle.section(u" ("_s, 0, 0));
    } else {
        QCOMPARE(refresher.ignoredPorts().value(shopKey).processName(), u"docker-pr"_s);
        QCOMPARE(refresher.ports().size(), 0);
    }
}

void ContainerNamesTest::socketsComeFromTheEnvironment_data()
{
    QTest::addColumn<QString>("dockerHost");
    QTest::addColumn<QString>("runtimeDir");
    QTest::addColumn<QStringList>("paths");
    QTest::newRow("unix DOCKER_HOST first")
        << u"unix:///run/user/1000/docker.sock"_s << u"/run/user/1000"_s
        << QStringList{u"/run/user/1000/docker.sock"_s, u"/var/run/docker.sock"_s,
                       u"/run/user/1000/podman/podman.sock"_s};
    QTest::newRow("tcp DOCKER_HOST passed over")
        << u"tcp://127.0.0.1:2375"_s << QString() << QStringList{u"/var/run/docker.sock"_s};
}

void ContainerNamesTest::socketsComeFromTheEnvironment()
{
    QFETCH(QString, dockerHost);
    QFETCH(QString, runtimeDir);
    QFETCH(QStringList, paths);
    QProcessEnvironment environment;
    environment.insert(u"DOCKER_HOST"_s, dockerHost);
    environment.insert(u"XDG_RUNTIME_DIR"_s, runtimeDir);
    QCOMPARE(ContainerEngine::socketPathsFrom(environment), paths);
}

QTEST_GUILESS_MAIN(ContainerNamesTest)
#include "tst_containernames.moc"
