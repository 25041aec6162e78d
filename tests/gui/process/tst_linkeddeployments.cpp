#include "deployments/LinkedDeployments.h"
#include "deployments/VercelOrigins.h"
#include "gui/ports/PortsTab.h"
#include "gui/process/ProcessItem.h"
#include "gui/process/ReadyStateIcon.h"
#include "gui/widgets/DelayPopover.h"
#include "gui/widgets/PopoverWindow.h"
#include "platform/Diagnostics.h"
#include "state/AppState.h"
#include "support/RecordingDesktop.h"
#include "support/StubHttpServer.h"
#include "support/WidgetHelpers.h"

#include <QLabel>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThreadPool>

using namespace tidewell;
using namespace tidewell::test;
using namespace Qt::StringLiterals;

namespace {

QByteArray project(const QByteArray& state)
{
    return R"({"id":"prj_web","name":"web","latestDeployments":[{"id":"d","readyState":")" + state +
           R"(","readyAt":1600000000000,"meta":{"githubCommitAuthorName":"ann","githubCommitMessage":"<b>Fix</b>"}}]})";
}

int fetches(const StubHttpServer& server)
{
    return int(std::count_if(server.requests().cbegin(), server.requests().cend(), [](const auto& request) {
        return request.target.startsWith("/v9/projects/prj_web");
    }));
}

} // namespace

// A server in a real folder below a repository's link file, as a row of the ports tab, with the
// Vercel service as a local stand-in.
class LinkedDeploymentsTest : public QObject
{
    Q_OBJECT
private slots:
    void rowShowsTheLinkedDeployment_data()
    {
        QTest::addColumn<bool>("token");
        QTest::addColumn<StubHttpServer::Reply>("reply");
        QTest::addColumn<QByteArray>("tabHolds"); // the state of the project among the tab's, or empty
        QTest::addColumn<QString>("symbol");      // beside the port; empty for none
        QTest::addColumn<QString>("logged");
        const auto ready = StubHttpServer::Reply::with(project("READY"));
        QTest::newRow("fetched by its id")
            << true << ready << QByteArray() << u"checkmark.circle.fill"_s << QString();
        QTest::newRow("among the tab's projects")
            << true << ready << QByteArray("ERROR") << u"minus.circle"_s << QString();
        QTest::newRow("no token") << false << ready << QByteArray() << QString()
                                  << u"No Vercel token: the deployments of linked projects are not shown"_s;
        QTest::newRow("a project the account cannot see")
            << true << StubHttpServer::Reply::with(R"({"error":{"code":"not_found"}})", 404) << QByteArray()
            << QString() << uR"(Linked Vercel project prj_web not shown: Missing member "id")"_s;
    }

    void rowShowsTheLinkedDeployment()
    {
        QFETCH(bool, token);
        QFETCH(StubHttpServer::Reply, reply);
        QFETCH(QByteArray, tabHolds);
        QFETCH(QString, symbol);
        QFETCH(QString, logged);
        StubHttpServer server;
        server.setReply("/v9/projects/prj_web", reply);
        server.setReply("/v2/user", StubHttpServer::Reply::with(R"({"user":{"username":"ann"}})"));
        qputenv(VercelOrigins::kDashboardVariable, "https://dash.example");
        QTemporaryDir dir;
        const QDir root(dir.path());
        QVERIFY(root.mkpath(u"repo/.git"_s) && root.mkpath(u"repo/.vercel"_s) &&
                root.mkpath(u"repo/apps/web"_s));
        QFile link(root.filePath(u"repo/.vercel/project.json"_s));
        QVERIFY(link.open(QIODevice::WriteOnly) &&
                link.write(R"({"projectId":"prj_web","orgId":"team_1"})") > 0);
        link.close();

        Diagnostics::Capture log;
        AppState state(std::make_unique<QSettings>(root.filePath(u"s.ini"_s), QSettings::IniFormat),
                       token ? std::optional(u"tok"_s) : std::nullopt);
        if (!tabHolds.isEmpty())
            state.setProjectData(
                ProjectResponse::fromJson("{\"projects\":[" + project(tabHolds) + "]}").value());
        QThreadPool pool;
        LinkedDeployments linked(&state, &pool, server.origin(), root.filePath(u"home"_s));
        AppServices services;
        services.state = &state;
        auto desktop = std::make_shared<RecordingDesktop>();
        services.desktop = desktop;
        services.pool = &pool;
        services.linkedDeployments = &linked;
        PortsTab tab(&services);
        tab.show();
        tab.setPorts(
            {PortData(u"node"_s, u"3000"_s, u"7"_s, HTMLData{u"Web"_s, AppType::nextjs, {}, HttpScheme::http},
                      ProcessInfo{root.filePath(u"repo/apps/web"_s), u"npm run dev"_s})});
        ProcessItem* row = tab.portRows().value(0);
        if (symbol.isEmpty()) {
            QTRY_VERIFY(log.lines().contains(logged));
            // Asked again, and fetched again with no minute to wait, it is still said only once.
            linked.setIntervals(0, LinkedDeployments::kLinkRecheckMs);
            QTRY_VERIFY((state.setProjectData(ProjectResponse{}), fetches(server) >= (token ? 3 : 0)));
            QVERIFY(!row->deploymentIcon() && !row->linkedProject());
            QCOMPARE(log.lines().count(logged), 1);
            return;
        }
        QTRY_VERIFY(row->deploymentIcon());
        QCOMPARE(row->deploymentIcon()->symbolName(), symbol);
        QCOMPARE(fetches(server), tabHolds.isEmpty() ? 1 : 0);
        if (!tabHolds.isEmpty())
            return;

        // Details: the deployment, and a button to the project's page once the account is known.
        QTRY_VERIFY(state.userData());
        DelayPopover* popover = row->popover();
        popover->setPointerPosition([] { return QPoint(100, 100); });
        QSignalSpy shown(popover, &DelayPopover::popupShown);
        sendEvent(row, QEvent::Enter);
        QVERIFY(shown.wait(5000));
        QCOMPARE(child<QLabel>(popover->popover(), "deploymentState")->text(), u"READY"_s);
        QVERIFY(child<QLabel>(popover->popover(), "deploymentTime")->text().endsWith(u" ago"_s));
        QCOMPARE(child<QLabel>(popover->popover(), "deploymentCommit")->textFormat(), Qt::PlainText);
        click(child(popover->popover(), "openDeployments"));
        QCOMPARE(desktop->calls, QStringList{u"openUrl https://dash.example/ann/web/deployments"_s});

        // Asked again within the minute, the project is not fetched again; once the minute is over
        // (made half a second, which the popover's opening outlasted), it is, and the row follows.
        state.setProjectData(ProjectResponse{});
        server.setReply("/v9/projects/prj_web", StubHttpServer::Reply::with(project("ERROR")));
        state.setProjectData(ProjectResponse{});
        linked.setIntervals(500, LinkedDeployments::kLinkRecheckMs);
        state.setProjectData(ProjectResponse{});
        QTRY_VERIFY(row->deploymentIcon() && row->deploymentIcon()->state() == ReadyState::error);
        QCOMPARE(fetches(server), 2);
    }
};

QTEST_MAIN(LinkedDeploymentsTest)
#include "tst_linkeddeployments.moc"
