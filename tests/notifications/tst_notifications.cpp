#include "notifications/DeploymentNotifier.h"
#include "notifications/ServerNotifier.h"
#include "platform/Host.h"
#include "ports/PortListRefresher.h"
#include "ports/PortScanner.h"
#include "probe/PageProbe.h"
#include "process/ProcessOrigin.h"
#include "state/AppState.h"
#include "support/RecordingNotificationSink.h"
#include "support/StubHttpServer.h"
#include "support/TestProcesses.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace tidewell;
using namespace tidewell::test;
using namespace Qt::StringLiterals;

namespace {

QByteArray projectsWith(const QByteArray& state)
{
    return R"({"projects":[{"id":"p","name":"shop","framework":null,"latestDeployments":[{"id":"d","readyState":")" +
           state +
           R"(","meta":{"githubCommitAuthorName":"ann","githubCommitMessage":"<b>bold</b> & move"}}]}]})";
}

std::unique_ptr<AppState> stateIn(const QTemporaryDir& dir, std::optional<QString> token = {})
{
    return std::make_unique<AppState>(
        std::make_unique<QSettings>(dir.filePath(u"settings.ini"_s), QSettings::IniFormat), std::move(token));
}

} // namespace

class NotificationsTest : public QObject
{
    Q_OBJECT
private slots:
    void serversStartingAndStopping_data();
    void serversStartingAndStopping();
    void deploymentsFinishing_data();
    void deploymentsFinishing();
};

void NotificationsTest::serversStartingAndStopping_data()
{
    QTest::addColumn<bool>("switchOn");
    // %1 is the port of the server there before the first listing, %2 of the one started after.
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("on") << true
                        << QStringList{u"Server started|Late Journal on port %2|"_s,
                                       u"Server stopped|Early Shop on port %1|"_s,
                                       u"Server stopped|Late Journal on port %2|"_s};
    QTest::newRow("off (the default)") << false << QStringList();
}

// The host's real listing: other servers on the machine come and go too, so only the lines about
// the test's own two ports count.
void NotificationsTest::serversStartingAndStopping()
{
    QFETCH(bool, switchOn);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    auto state = stateIn(dir);
    if (switchOn)
        state->setNotifyServerChanges(true);
    auto early = startListener({u"--name"_s, u"node"_s, u"--title"_s, u"Early Shop"_s});
    QVERIFY(early->waitUntilReady());
    const Host host = Host::create();
    const PortScanner scanner(host.sockets, host.processes);
    const ProcessOrigin origin(host.processes, [](const QString&) {});
    PageProbe probe;
    PortListRefresher refresher(
        [scanner] { return scanner.scanListeningPorts(); }, &probe,
        [origin](const ProcessIdentity& listed) { return origin.getProcessInfo(listed); });
    RecordingNotificationSink sink;
    ServerNotifier notifier(state.get(), &refresher, &sink);
    refresher.checkPorts();
    QTRY_VERIFY_WITH_TIMEOUT(notifier.hasFirstListing(), 60'000);
    // Keyed while the process lives: one that has ended has no pid.
    QHash<const ChildProcess*, QString> keys;
    auto listed = [&](const std::unique_ptr<ChildProcess>& server) {
        refresher.checkPorts();
        if (!keys.contains(server.get()))
            keys.insert(server.get(),
                        QString::number(server->port()) + u':' + QString::number(server->pid()));
        return refresher.ports().contains(keys.value(server.get()));
    };
    QVERIFY(listed(early));

    auto late = startListener({u"--name"_s, u"node"_s, u"--title"_s, u"Late Journal"_s});
    QVERIFY(late->waitUntilReady());
    QTRY_VERIFY_WITH_TIMEOUT(listed(late), 60'000);
    for (const auto* server : {&early, &late}) {
        (*server)->kill();
        QTRY_VERIFY_WITH_TIMEOUT(!listed(*server), 60'000);
    }
    QStringList own;
    for (const QString& line : std::as_const(sink.shown)) {
        for (const int port : {early->port(), late->port()}) {
            if (line.endsWith(u" on port "_s + QString::number(port) + u'|'))
                own.append(line);
        }
    }
    for (QString& line : expected)
        line = line.replace(u"%1"_s, QString::number(early->port()))
                   .replace(u"%2"_s, QString::number(late->port()));
    QCOMPARE(own, expected);
}

void NotificationsTest::deploymentsFinishing_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");
    // How the second list arrives: the deployments tab's polling with the window open on it, or
    // the notifier's own fetch while the window is closed.
    QTest::addColumn<bool>("fromTab");
    QTest::addColumn<bool>("switchOn");
    QTest::addColumn<QString>("expected");
    const QString commit = u"|ann: <b>bold</b> & move|https://dash.example/ann/shop/deployments"_s;
    QTest::newRow("building to ready, window closed")
        << "BUILDING"_ba
        << "READY"_ba << false << true << u"shop deployed"_s + commit;
    QTest::newRow("queued to error, window closed")
        << "QUEUED"_ba
        << "ERROR"_ba << false << true << u"shop failed to deploy"_s + commit;
    QTest::newRow("initializing to ready, from the tab")
        << "INITIALIZING"_ba
        << "READY"_ba << true << true << u"shop deployed"_s + commit;
    QTest::newRow("already ready") << "READY"_ba
                                   << "READY"_ba << true << true << QString();
    QTest::newRow("ready to error is no finish") << "READY"_ba
                                                 << "ERROR"_ba << true << true << QString();
    QTest::newRow("canceled") << "BUILDING"_ba
                              << "CANCELED"_ba << false << true << QString();
    QTest::newRow("switch off") << "BUILDING"_ba
                                << "READY"_ba << true << false << QString();
}

void NotificationsTest::deploymentsFinishing()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    QFETCH(bool, fromTab);
    QFETCH(bool, switchOn);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    auto state = stateIn(dir, u"tok"_s);
    StubHttpServer server;
    server.setReply("/v2/user", StubHttpServer::Reply::with(R"({"user":{"username":"ann"}})"));
    server.setReply("/v9/projects", StubHttpServer::Reply::with(projectsWith(before)));
    RecordingNotificationSink sink;
    DeploymentNotifier notifier(state.get(), &sink, VercelClient(server.origin(), state->vercelToken()),
                                u"https://dash.example"_s);
    notifier.setFetchIntervalMs(20);
    auto latest = [&state] {
        const auto& data = state->projectData();
        return data ? readyStateText(data->projects.value(0).latestDeployments.value(0).readyState).toUtf8()
                    : QByteArray();
    };
    // The first list seen is the starting point.
    QTRY_VERIFY_WITH_TIMEOUT(latest() == before && state->userData(), 20'000);
    QVERIFY(sink.shown.isEmpty());
    state->setNotifyDeploymentFinished(switchOn);
    if (fromTab) {
        state->setSelectedTab(SelectedTab::vercel);
        state->setIsVisible(true);
        QTRY_VERIFY(!notifier.isFetching());
        state->setProjectData(ProjectResponse::fromJson(projectsWith(after)).value());
    } else {
        server.setReply("/v9/projects", StubHttpServer::Reply::with(projectsWith(after)));
        QTRY_VERIFY_WITH_TIMEOUT(latest() == after, 20'000);
    }
    QCOMPARE(sink.shown, expected.isEmpty() ? QStringList() : QStringList{expected});
}

QTEST_GUILESS_MAIN(NotificationsTest)
#include "tst_notifications.moc"
