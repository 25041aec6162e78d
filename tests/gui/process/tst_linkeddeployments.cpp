#include "deployments/LinkedDeployments.h"
#include "deployments/VercelOrigins.h"
#include "gui/ports/PortsTab.h"
#include "gui/process/ProcessItem.h"
#include "gui/process/ReadyStateIcon.h"
#include "gui/widgets/DelayPopover.h"
#include "gui/widgets/PopoverWindow.h"
#include "platform/Diagnostics.h"
#include "platform/Host.h"
#include "ports/PortListRefresher.h"
#include "ports/PortScanner.h"
#include "probe/PageProbe.h"
#include "process/ProcessOrigin.h"
#include "state/AppState.h"
#include "support/RecordingDesktop.h"
#include "support/StubHttpServer.h"
#include "support/TestProcesses.h"
#include "support/WidgetHelpers.h"

#include <QLabel>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace tidewell;
using namespace tidewell::test;
using namespace Qt::StringLiterals;

namespace {

QByteArray project(const QByteArray& state)
{
    return R"({"id":"prj_web","name":"web","latestDeployments":[{"id":"d","readyState":")" + state +
           R"(","readyAt":1600000000000,"meta":{"githubCommitAuthorName":"ann","githubCommitMessage":"<b>Fix</b>"}}]})";
}

} // namespace

// A real server started in a folder below a repository's link file, listed by the real scan in the
// ports tab, with the Vercel service as a local stand-in.
class LinkedDeploymentsTest : public QObject
{
    Q_OBJECT
private slots:
    void rowShowsTheLinkedDeployment_data();
    void rowShowsTheLinkedDeployment();
};

void LinkedDeploymentsTest::rowShowsTheLinkedDeployment_data()
{
    QTest::addColumn<bool>("token");
    QTest::addColumn<QByteArray>("tabHolds"); // the state of the project among the tab's, or empty
    QTest::addColumn<StubHttpServer::Reply>("reply");
    QTest::addColumn<QString>("symbol"); // beside the port; empty for none
    QTest::addColumn<QString>("logged");
    const auto ready = StubHttpServer::Reply::with(project("READY"));
    QTest::newRow("fetched by its id")
        << true << QByteArray() << ready << u"checkmark.circle.fill"_s << QString();
    QTest::newRow("among the tab's projects")
        << true << QByteArray("ERROR") << ready << u"minus.circle"_s << QString();
    QTest::newRow("no token") << false << QByteArray() << ready << QString()
                              << u"No Vercel token: the deployments of linked projects are not shown"_s;
    QTest::newRow("a project the account cannot see")
        << true << QByteArray() << StubHttpServer::Reply::with(R"({"error":{"code":"not_found"}})", 404)
        << QString() << uR"(Linked Vercel project prj_web not shown: Missing member "id")"_s;
}

void LinkedDeploymentsTest::rowShowsTheLinkedDeployment()
{
    QFETCH(bool, token);
    QFETCH(QByteArray, tabHolds);
    QFETCH(StubHttpServer::Reply, reply);
    QFETCH(QString, symbol);
    QFETCH(QString, logged);
    StubHttpServer server;
    server.setReply("/v9/projects/prj_web", reply);
    server.setReply("/v2/user", StubHttpServer::Reply::with(R"({"user":{"username":"ann"}})"));
    qputenv(VercelOrigins::kApiVariable, server.origin().toUtf8());
    qputenv(VercelOrigins::kDashboardVariable, "https://dash.example");
    QTemporaryDir dir;
    const QDir root(dir.path());
    QVERIFY(root.mkpath(u"repo/.git"_s) && root.mkpath(u"repo/.vercel"_s) && root.mkpath(u"repo/apps/web"_s));
    QFile link(root.filePath(u"repo/.vercel/project.json"_s));
    QVERIFY(link.open(QIODevice::WriteOnly) && link.write(R"({"projectId":"prj_web","orgId":"team_1"})") > 0);
    link.close();

    Diagnostics::Capture log;
    AppState state(std::make_unique<QSettings>(root.filePath(u"s.ini"_s), QSettings::IniFormat),
                   token ? std::optional(u"tok"_s) : std::nullopt);
    if (!tabHolds.isEmpty())
        state.setProjectData(ProjectResponse::fromJson("{\"projects\":[" + project(tabHolds) + "]}").value());
    QThreadPool pool;
    LinkedDeployments linked(&state, &pool, VercelOrigins::apiOrigin(), root.filePath(u"home"_s));
    auto desktop = std::make_shared<RecordingDesktop>();
    AppServices services;
    services.state = &state;
    services.desktop = desktop;
    services.pool = &pool;
    services.linkedDeployments = &linked;
    const Host host = Host::create();
    const PortScanner scanner(host.sockets, host.processes);
    const ProcessOrigin origin(host.processes, [](const QString&) {});
    PageProbe probe;
    PortListRefresher refresher(
        [scanner] { return scanner.scanListeningPorts(); }, &probe,
        [origin](const ProcessIdentity& listed) { return origin.getProcessInfo(listed); });
    PortsTab tab(&services);
    tab.show();
    connect(&refresher, &PortListRefresher::portsChanged, &tab,
            [&] { tab.setPorts(refresher.sortedPorts()); });

    auto server1 = startListenerFromShell({u"--name"_s, u"node"_s}, root.filePath(u"repo/apps/web"_s));
    QVERIFY(server1->waitUntilReady());
    auto ownRow = [&]() -> ProcessItem* {
        refresher.checkPorts();
        for (ProcessItem* item : tab.portRows()) {
            if (item->port().port() == QString::number(server1->port()))
                return item;
        }
        return nullptr;
    };
    QTRY_VERIFY_WITH_TIMEOUT(ownRow(), 20'000);
    ProcessItem* row = ownRow();
    if (symbol.isEmpty()) {
        QTRY_VERIFY(log.lines().contains(logged));
        QVERIFY(!row->deploymentIcon() && !row->linkedProject());
        QCOMPARE(log.lines().count(logged), 1);
        return;
    }
    QTRY_VERIFY(row->deploymentIcon());
    QCOMPARE(row->deploymentIcon()->symbolName(), symbol);
    auto fetches = [&server] {
        QStringList targets;
        for (const auto& request : server.requests())
            targets.append(QString::fromUtf8(request.target));
        return targets.filter(u"prj_web"_s).size();
    };
    if (!tabHolds.isEmpty()) {
        QCOMPARE(fetches(), 0);
        return;
    }

    // Details: the deployment and a button to the project's page, once the account is known.
    QTRY_VERIFY(state.userData());
    DelayPopover* popover = row->popover();
    popover->setPointerPosition([] { return QPoint(100, 100); });
    QSignalSpy shown(popover, &DelayPopover::popupShown);
    sendEvent(row, QEvent::Enter);
    QVERIFY(shown.wait(5000));
    const PopoverWindow* details = popover->popover();
    QCOMPARE(child<QLabel>(details, "deploymentState")->text(), u"READY"_s);
    QVERIFY(child<QLabel>(details, "deploymentTime")->text().endsWith(u" ago"_s));
    QCOMPARE(child<QLabel>(details, "deploymentCommit")->textFormat(), Qt::PlainText);
    click(child(details, "openDeployments"));
    QCOMPARE(desktop->calls, QStringList{u"openUrl https://dash.example/ann/web/deployments"_s});

    // Asked again within the minute, the project is not fetched again; once the minute is over, it
    // is, and the row follows the new state.
    state.setProjectData(ProjectResponse{});
    server.setReply("/v9/projects/prj_web", StubHttpServer::Reply::with(project("ERROR")));
    state.setProjectData(ProjectResponse{});
    // The popover took a second to open: more than a "minute" of half a second since the reply.
    linked.setIntervals(500, LinkedDeployments::kLinkRecheckMs);
    state.setProjectData(ProjectResponse{});
    QTRY_COMPARE(row->deploymentIcon() ? row->deploymentIcon()->state() : ReadyState::ready,
                 ReadyState::error);
    QCOMPARE(fetches(), 2);
}

QTEST_MAIN(LinkedDeploymentsTest)
#include "tst_linkeddeployments.moc"
