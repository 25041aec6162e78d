#include "deployments/DeploymentsFeed.h"
#include "notifications/DeploymentNotifier.h"
#include "notifications/NotificationSink.h"
#include "notifications/ServerNotifier.h"
#include "platform/Host.h"
#include "ports/PortListRefresher.h"
#include "ports/PortScanner.h"
#include "probe/PageProbe.h"
#include "process/ProcessOrigin.h"
#include "state/AppState.h"
#include "support/StubHttpServer.h"
#include "support/TestProcesses.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>

using namespace tidewell;
using namespace tidewell::test;
using namespace Qt::StringLiterals;

namespace {

// Shows nothing, and records each notification as "title|message|link", the link empty when a click
// opens the window.
struct RecordingNotificationSink : NotificationSink
{
    QStringList shown;

    void show(const Notification& notification) override
    {
        shown.append(notification.title + u'|' + notification.message + u'|' +
                     (notification.link ? QString::fromUtf8(notification.link->toEncoded()) : QString()));
    }
};

QByteArray projectsWith(const QByteArray& state)
{
    return R"({"projects":[{"id":"p","name":"shop","framework":null,"latestDeployments":[{"id":"d","readyState":")" +
           state +
           R"(","meta":{"githubCommitAuthorName":"ann","githubCommitMessage":"<b>bold</b> & move"}}]}]})";
}

} // namespace

class NotificationsTest : public QObject
{
    Q_OBJECT
private slots:
    // The host's real listing, cut to the test's own servers. A second notifier, with the switch off
    // (the default), shows none.
    void serversStartingAndStopping()
    {
        QTemporaryDir dir;
        AppState on(std::make_unique<QSettings>(dir.filePath(u"on.ini"_s), QSettings::IniFormat));
        AppState off(std::make_unique<QSettings>(dir.filePath(u"off.ini"_s), QSettings::IniFormat));
        on.setNotifyServerChanges(true);
        auto early = startListener({u"--name"_s, u"node"_s, u"--title"_s, u"Early Shop"_s});
        QVERIFY(early->waitUntilReady());
        const Host host = Host::create();
        const PortScanner scanner(host.sockets, host.processes);
        const ProcessOrigin origin(host.processes);
        PageProbe probe;
        PortListRefresher refresher(
            [scanner] {
                ScanResult scan = scanner.scanListeningPorts();
                scan.candidates.removeIf(
                    [](const PortData& e) { return !startedByThisTest(e.pid().toLongLong()); });
                return scan;
            },
            &probe, [origin](const ProcessIdentity& listed) { return origin.getProcessInfo(listed); });
        RecordingNotificationSink sink;
        RecordingNotificationSink silent;
        ServerNotifier notifier(&on, &refresher, &sink);
        ServerNotifier quiet(&off, &refresher, &silent);
        refresher.checkPorts();
        QTRY_VERIFY_WITH_TIMEOUT(notifier.hasFirstListing(), 60'000);
        auto listed = [&refresher](const QString& key) {
            refresher.checkPorts();
            return refresher.ports().contains(key);
        };
        auto late = startListener({u"--name"_s, u"node"_s, u"--title"_s, u"Late Journal"_s});
        QVERIFY(late->waitUntilReady());
        // Keys are taken while the processes live: one that has ended has no pid.
        const QString earlyPort = QString::number(early->port());
        const QString latePort = QString::number(late->port());
        const QString earlyKey = earlyPort + u':' + QString::number(early->pid());
        const QString lateKey = latePort + u':' + QString::number(late->pid());
        QVERIFY(listed(earlyKey));
        QTRY_VERIFY_WITH_TIMEOUT(listed(lateKey), 60'000);
        early->kill();
        QTRY_VERIFY_WITH_TIMEOUT(!listed(earlyKey), 60'000);
        late->kill();
        QTRY_VERIFY_WITH_TIMEOUT(!listed(lateKey), 60'000);
        QCOMPARE(sink.shown, (QStringList{u"Server started|Late Journal on port %1|"_s.arg(latePort),
                                          u"Server stopped|Early Shop on port %1|"_s.arg(earlyPort),
                                          u"Server stopped|Late Journal on port %1|"_s.arg(latePort)}));
        QVERIFY(silent.shown.isEmpty());
    }

    void deploymentsFinishing_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        // How the second list arrives: stored while the window is open on the deployments tab, or by
        // the feed's once-a-minute fetch (made 20 ms) while the window is closed.
        QTest::addColumn<bool>("fromTab");
        QTest::addColumn<bool>("switchOn");
        QTest::addColumn<QString>("expected");
        const QString commit = u"|ann: <b>bold</b> & move|https://dash.example/ann/shop/deployments"_s;
        auto row = [](const char* name, const char* before, const char* after, bool fromTab, bool on,
                      const QString& expected) {
            QTest::newRow(name) << QByteArray(before) << QByteArray(after) << fromTab << on << expected;
        };
        row("building to ready, window closed", "BUILDING", "READY", false, true,
            u"shop deployed"_s + commit);
        row("queued to error, window closed", "QUEUED", "ERROR", false, true,
            u"shop failed to deploy"_s + commit);
        row("initializing to ready, from the tab", "INITIALIZING", "READY", true, true,
            u"shop deployed"_s + commit);
        row("already ready", "READY", "READY", true, true, {});
        row("ready to error is no finish", "READY", "ERROR", true, true, {});
        row("canceled", "BUILDING", "CANCELED", false, true, {});
        row("switch off, then on", "BUILDING", "READY", true, false, {});
    }

    void deploymentsFinishing()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QFETCH(bool, fromTab);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        auto state = std::make_unique<AppState>(
            std::make_unique<QSettings>(dir.filePath(u"s.ini"_s), QSettings::IniFormat), u"tok"_s);
        StubHttpServer server;
        server.setReply("/v2/user", StubHttpServer::Reply::with(R"({"user":{"username":"ann"}})"));
        server.setReply("/v9/projects", StubHttpServer::Reply::with(projectsWith(before)));
        RecordingNotificationSink sink;
        DeploymentNotifier notifier(state.get(), &sink, u"https://dash.example"_s);
        DeploymentsFeed feed(state.get(), QThreadPool::globalInstance(), server.origin(), dir.path());
        feed.setIntervals(20, DeploymentsFeed::kIdlePollMs);
        feed.startPolling();
        auto latest = [&state] {
            const auto& data = state->projectData();
            return data ? readyStateText(data->projects.value(0).latestDeployments.value(0).readyState)
                        : QString();
        };
        // The first list seen is the starting point.
        QTRY_VERIFY_WITH_TIMEOUT(latest() == QLatin1StringView(before) && state->userData(), 20'000);
        QFETCH(bool, switchOn);
        state->setNotifyDeploymentFinished(switchOn);
        if (fromTab) {
            state->setSelectedTab(SelectedTab::vercel);
            state->setIsVisible(true);
            QTRY_VERIFY(!feed.isFetchingProjects());
            state->setProjectData(ProjectResponse::fromJson(projectsWith(after)).value());
        } else {
            server.setReply("/v9/projects", StubHttpServer::Reply::with(projectsWith(after)));
            QTRY_VERIFY_WITH_TIMEOUT(latest() == QLatin1StringView(after), 20'000);
        }
        QCOMPARE(sink.shown, expected.isEmpty() ? QStringList() : QStringList{expected});
        if (switchOn)
            return;
        // Switched on later, a deployment that finished while it was off is no news.
        state->setNotifyDeploymentFinished(true);
        state->setProjectData(ProjectResponse::fromJson(projectsWith(after)).value());
        QCOMPARE(sink.shown, QStringList());
    }
};

QTEST_GUILESS_MAIN(NotificationsTest)
#include "tst_notifications.moc"
