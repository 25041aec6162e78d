#include "notifications/DeploymentNotifier.h"
#include "notifications/NotificationSink.h"
#include "notifications/ServerNotifier.h"
#include "platform/Host.h"
#include "ports/PortListRefresher.h"
#include "ports/PortScanner.h"
#include "probe/PageProbe.h"
#include "process/ProcessOrigin.h"
#include "state/AppState.h"
#include "support/TestProcesses.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace tidewell;
using namespace tidewell::test;
using namespace Qt::StringLiterals;

namespace {

// Records each notification as "title|message|link", the link empty when a click opens the window.
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
    // The host's real listing, cut to the test's own servers; a notifier with the switch off shows none.
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
        // Scans until the sink holds `count` notifications.
        const auto shownAfterScans = [&](qsizetype count) {
            refresher.checkPorts();
            return sink.shown.size() >= count;
        };
        auto late = startListener({u"--name"_s, u"node"_s, u"--title"_s, u"Late Journal"_s});
        QVERIFY(late->waitUntilReady());
        const QString earlyPort = QString::number(early->port());
        const QString latePort = QString::number(late->port());
        QTRY_VERIFY_WITH_TIMEOUT(shownAfterScans(1), 60'000);
        early->kill();
        QTRY_VERIFY_WITH_TIMEOUT(shownAfterScans(2), 60'000);
        late->kill();
        QTRY_VERIFY_WITH_TIMEOUT(shownAfterScans(3), 60'000);
        QCOMPARE(sink.shown, (QStringList{u"Server started|Late Journal on port %1|"_s.arg(latePort),
                                          u"Server stopped|Early Shop on port %1|"_s.arg(earlyPort),
                                          u"Server stopped|Late Journal on port %1|"_s.arg(latePort)}));
        QVERIFY(silent.shown.isEmpty());
    }

    void deploymentsFinishing_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<bool>("switchOn");
        QTest::addColumn<QString>("expected");
        const QString commit = u"|ann: <b>bold</b> & move|https://dash.example/ann/shop/deployments"_s;
        auto row = [](const char* name, const char* before, const char* after, bool on,
                      const QString& expected) {
            QTest::newRow(name) << QByteArray(before) << QByteArray(after) << on << expected;
        };
        row("building to ready", "BUILDING", "READY", true, u"shop deployed"_s + commit);
        row("queued to error", "QUEUED", "ERROR", true, u"shop failed to deploy"_s + commit);
        row("initializing to ready", "INITIALIZING", "READY", true, u"shop deployed"_s + commit);
        row("already ready", "READY", "READY", true, {});
        row("ready to error is no finish", "READY", "ERROR", true, {});
        row("canceled", "BUILDING", "CANCELED", true, {});
        row("switch off, then on", "BUILDING", "READY", false, {});
    }

    // The lists as the feed stores them; that it fetches them with the window closed is tst_deployments'.
    void deploymentsFinishing()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QFETCH(bool, switchOn);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        AppState state(std::make_unique<QSettings>(dir.filePath(u"s.ini"_s), QSettings::IniFormat), u"tok"_s);
        state.setUserData(UserResponse::fromJson(R"({"user":{"username":"ann"}})").value());
        RecordingNotificationSink sink;
        DeploymentNotifier notifier(&state, &sink, u"https://dash.example"_s);
        // The first list seen is the starting point.
        state.setProjectData(ProjectResponse::fromJson(projectsWith(before)).value());
        state.setNotifyDeploymentFinished(switchOn);
        state.setProjectData(ProjectResponse::fromJson(projectsWith(after)).value());
        QCOMPARE(sink.shown, expected.isEmpty() ? QStringList() : QStringList{expected});
        if (switchOn)
            return;
        // Switched on later, a deployment that finished while it was off is no news.
        state.setNotifyDeploymentFinished(true);
        state.setProjectData(ProjectResponse::fromJson(projectsWith(after)).value());
        QCOMPARE(sink.shown, QStringList());
    }
};

QTEST_GUILESS_MAIN(NotificationsTest)
#include "tst_notifications.moc"
