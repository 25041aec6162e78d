#include "deployments/DeploymentsFeed.h"
#include "deployments/VercelClient.h"
#include "deployments/VercelOrigins.h"
#include "gui/deployments/DeploymentsTab.h"
#include "gui/deployments/ProjectView.h"
#include "gui/deployments/TeamsMenu.h"
#include "gui/process/ReadyStateIcon.h"
#include "gui/widgets/RowSlot.h"
#include "state/AppState.h"
#include "support/LogCapture.h"
#include "support/RecordingDesktop.h"
#include "support/StubHttpServer.h"
#include "support/WidgetHelpers.h"

#include <QLabel>
#include <QPointer>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>

using namespace tidewell;
using namespace tidewell::test;
using namespace Qt::StringLiterals;
using Shown = DeploymentsTab::Display;

namespace {

const QByteArray kTeams =
    R"({"teams":[{"id":"team_1","name":"R&D","slug":"r-d"},{"id":"team_2","name":"Ops","slug":"ops"}]})";

QByteArray projectsWith(const QByteArray& state, const QByteArray& name = "shop")
{
    return R"({"projects":[{"id":"p","name":")" + name +
           R"(","framework":null,"latestDeployments":[{"id":"d","readyState":")" + state +
           R"(","buildingAt":1600000000000,"meta":{"githubCommitAuthorName":"ann","githubCommitMessage":"<b>bold</b>\u202e move\nnext\u001b"}}]},
           {"id":"e","name":"empty","latestDeployments":[]}]})";
}

// One state in a test-owned folder, the feed and the tab over it, and the service stand-in.
struct Fixture
{
    QTemporaryDir dir;
    StubHttpServer server;
    std::unique_ptr<AppState> state;
    std::shared_ptr<RecordingDesktop> desktop = std::make_shared<RecordingDesktop>();
    AppServices services;
    std::unique_ptr<DeploymentsFeed> feed;
    std::unique_ptr<DeploymentsTab> tab;

    explicit Fixture(const std::optional<QString>& token = u"tok"_s,
                     const QByteArray& projects = projectsWith("READY"))
    {
        qputenv(VercelOrigins::kApiVariable, server.origin().toUtf8());
        qputenv(VercelOrigins::kDashboardVariable, "https://dash.example");
        server.setReply("/v2/user", StubHttpServer::Reply::with(R"({"user":{"username":"ann"}})"));
        server.setReply("/v2/teams", StubHttpServer::Reply::with(kTeams));
        server.setReply("/v9/projects", StubHttpServer::Reply::with(projects));
        restart(token);
    }
    // A new run of the program over the same stored settings.
    void restart(const std::optional<QString>& token = u"tok"_s)
    {
        tab.reset();
        feed.reset();
        state = std::make_unique<AppState>(
            std::make_unique<QSettings>(dir.filePath(u"s.ini"_s), QSettings::IniFormat), token);
        state->setSelectedTab(SelectedTab::vercel);
        feed = std::make_unique<DeploymentsFeed>(state.get(), QThreadPool::globalInstance(), server.origin(),
                                                 dir.path());
        feed->startPolling();
        services.state = state.get();
        services.desktop = desktop;
        tab = std::make_unique<DeploymentsTab>(&services);
    }
    // The window opens on the tab.
    DeploymentsTab* opened()
    {
        state->setIsVisible(true);
        tab->show();
        return tab.get();
    }
    QByteArrayList projectTargets() const
    {
        QByteArrayList targets;
        for (const StubHttpServer::Request& request : server.requests()) {
            if (request.target.startsWith("/v9/projects"))
                targets.append(request.target);
        }
        return targets;
    }
};

} // namespace

class DeploymentsViewsTest : public QObject
{
    Q_OBJECT
private slots:
    void displays_data()
    {
        QTest::addColumn<std::optional<QString>>("token");
        QTest::addColumn<QByteArray>("projects");
        QTest::addColumn<Shown>("display");
        QTest::addColumn<int>("rows");
        const std::optional<QString> token(u"tok"_s);
        QTest::newRow("no token") << std::optional<QString>() << projectsWith("READY") << Shown::noToken << 0;
        QTest::newRow("no projects") << token << QByteArray(R"({"projects":[]})") << Shown::noProjects << 0;
        // The cap of four projects is the client's, checked in tst_deployments.
        QTest::newRow("projects") << token << projectsWith("READY") << Shown::projects << 2;
    }

    void displays()
    {
        QFETCH(std::optional<QString>, token);
        QFETCH(QByteArray, projects);
        QFETCH(Shown, display);
        Fixture fixture(token, projects);
        DeploymentsTab* tab = fixture.opened();
        QTRY_VERIFY(!token || (fixture.state->projectData() && !fixture.feed->isFetchingProjects()));
        QCOMPARE(child<QLabel>(tab, "noToken")->isVisible(), display == Shown::noToken);
        QCOMPARE(child<QLabel>(tab, "noProjects")->isVisible(), display == Shown::noProjects);
        QTEST(int(tab->projectRows().size()), "rows");
    }

    void rowsShowTheLatestDeploymentAndFollowTheService()
    {
        Fixture fixture(u"tok"_s, projectsWith("ERROR"));
        DeploymentsTab* tab = fixture.opened();
        QTRY_COMPARE(tab->projectRows().size(), 2);
        const QPointer<ProjectView> shop = tab->projectRows().at(0);
        QVERIFY(shop->timeText().endsWith(u" ago"_s));
        // On one line and in its own order: no bidirectional control, other controls as spaces.
        QCOMPARE(shop->commitText(), u"ann: <b>bold</b> move next "_s);
        QCOMPARE(child<QLabel>(shop, "commit")->textFormat(), Qt::PlainText);
        QCOMPARE(shop->readyStateIcon()->symbolName(), u"xmark.circle.fill"_s);
        ProjectView* empty = tab->projectRows().at(1);
        QVERIFY(empty->timeText().isEmpty() && empty->commitText().isEmpty() && !empty->readyStateIcon());
        QCOMPARE(child<QLabel>(empty, "noDeployments")->text(), u"No deployments yet"_s);
        // The moment the reply lands, the old row is on its way out while the new one arrives.
        bool leaving = false;
        connect(fixture.state.get(), &AppState::projectDataChanged, this,
                [&] { leaving = shop && qobject_cast<RowSlot*>(shop->parentWidget())->isLeaving(); });
        fixture.server.setReply("/v9/projects", StubHttpServer::Reply::with(projectsWith("READY")));
        QTRY_VERIFY_WITH_TIMEOUT(tab->projectRows().at(0) != shop, 10000);
        QVERIFY(leaving);
        QCOMPARE(tab->projectRows().at(0)->readyStateIcon()->symbolName(), u"checkmark.circle.fill"_s);
        QTRY_VERIFY(!shop);
        // A failed fetch keeps the list and says so, until a fetch works again.
        auto* message = child<QLabel>(tab, "message");
        QVERIFY(!message->isVisible());
        LogCapture log;
        fixture.server.setReply("/v9/projects", StubHttpServer::Reply::with("<html>Bad gateway</html>", 502));
        QTRY_VERIFY_WITH_TIMEOUT(message->isVisible(), 10000);
        QCOMPARE(message->text(), VercelClient::kFailureText);
        QVERIFY(log.lines().contains(u"The reply is not JSON (illegal value at offset 1)"_s));
        QCOMPARE(tab->projectRows().size(), 2);
        fixture.server.setReply("/v9/projects", StubHttpServer::Reply::with(projectsWith("READY")));
        QTRY_VERIFY_WITH_TIMEOUT(!message->isVisible(), 10000);
    }

    // Each state its own mark, colour and tooltip; none taken for an error but the error.
    void eachStateHasItsOwnMark_data()
    {
        QTest::addColumn<QByteArray>("state");
        QTest::addColumn<QString>("symbol"); // empty: the spinner
        for (const auto& [state, symbol] : {std::pair{"READY", "checkmark.circle.fill"},
                                            {"ERROR", "xmark.circle.fill"},
                                            {"BUILDING", ""},
                                            {"QUEUED", "clock"},
                                            {"INITIALIZING", "hourglass"},
                                            {"CANCELED", "slash.circle"}})
            QTest::newRow(state) << QByteArray(state) << QString::fromLatin1(symbol);
    }

    void eachStateHasItsOwnMark()
    {
        QFETCH(QByteArray, state);
        const ReadyState readyState = *readyStateFromText(QString::fromLatin1(state));
        ReadyStateIcon icon(readyState);
        QTEST(icon.symbolName(), "symbol");
        QCOMPARE(icon.toolTip(), QString::fromLatin1(state));
        QCOMPARE(icon.colour() == ReadyStateIcon::kRed, readyState == ReadyState::error);
        // Drawn in its colour.
        const QImage drawn = icon.grab().toImage().convertToFormat(QImage::Format_RGB32);
        const auto* pixels = reinterpret_cast<const QRgb*>(drawn.constBits());
        QVERIFY(icon.symbolName().isEmpty() ||
                std::count(pixels, pixels + drawn.width() * drawn.height(), icon.colour().rgb()) > 0);
    }

    void clickOpensTheDashboardPage_data()
    {
        QTest::addColumn<QString>("opened");
        QTest::addColumn<std::optional<QString>>("team");
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("personal") << u"ann/shop"_s << std::optional<QString>() << "shop"_ba;
        QTest::newRow("team") << u"ops/shop"_s << std::optional(u"team_2"_s) << "shop"_ba;
        QTest::newRow("team no longer listed") << u"ann/shop"_s << std::optional(u"gone"_s) << "shop"_ba;
        QTest::newRow("name that is not one segment")
            << u"ann/a%2F..%2Fb%3Fc%23d"_s << std::optional<QString>() << "a/../b?c#d"_ba;
    }

    void clickOpensTheDashboardPage()
    {
        QFETCH(std::optional<QString>, team);
        QFETCH(QByteArray, name);
        QFETCH(QString, opened);
        Fixture fixture(u"tok"_s, projectsWith("READY", name));
        fixture.state->setSelectedTeam(team);
        DeploymentsTab* tab = fixture.opened();
        QTRY_VERIFY(fixture.state->userData() && fixture.state->teamsData() && !tab->projectRows().isEmpty());
        QTest::mouseClick(tab->projectRows().at(0), Qt::LeftButton);
        QCOMPARE(fixture.desktop->calls,
                 QStringList{u"openUrl https://dash.example/"_s + opened + u"/deployments"_s});
    }

    void chosenTeamRefetchesAndSurvivesARestart()
    {
        Fixture fixture;
        DeploymentsTab* tab = fixture.opened();
        QTRY_VERIFY(fixture.state->teamsData() && !tab->projectRows().isEmpty() &&
                    !fixture.feed->isFetchingProjects());
        TeamsMenu menu(fixture.state.get());
        const auto shown = [&menu] {
            QStringList texts;
            for (QAction* action : menu.actions())
                texts.append(action->text() + (action->isChecked() ? u" *"_s : QString()));
            return texts;
        };
        // "&" is shown, not taken for a shortcut mark; the account shown is checked and named above the list.
        QCOMPARE(shown(), (QStringList{u"Personal *"_s, u"R&&D"_s, u"Ops"_s}));
        QCOMPARE(child<QLabel>(tab, "account")->text(), u"ann"_s);
        LogCapture log;
        menu.actions().at(1)->trigger();
        QCOMPARE(log.lines().value(0), u"state.selectedTeam has changed to: Optional(\"team_1\")"_s);
        QCOMPARE(shown(), (QStringList{u"Personal"_s, u"R&&D *"_s, u"Ops"_s}));
        QCOMPARE(child<QLabel>(tab, "account")->text(), u"R&D"_s);
        QTRY_COMPARE(fixture.projectTargets().last(), QByteArray("/v9/projects?limit=4&teamId=team_1"));
        // After a restart the team's projects are asked for before any teams are known.
        fixture.restart();
        const qsizetype before = fixture.projectTargets().size();
        fixture.opened();
        QVERIFY(!fixture.state->teamsData());
        QTRY_VERIFY(fixture.projectTargets().size() > before);
        QCOMPARE(fixture.projectTargets().at(before), QByteArray("/v9/projects?limit=4&teamId=team_1"));
        QTRY_VERIFY(fixture.state->teamsData() && !fixture.feed->isFetchingProjects());
        TeamsMenu(fixture.state.get()).actions().at(0)->trigger();
        QCOMPARE(log.lines().last(), u"state.selectedTeam has changed to: nil"_s);
        QTRY_COMPARE(fixture.projectTargets().last(), QByteArray("/v9/projects?limit=4"));
        fixture.restart();
        QCOMPARE(fixture.state->selectedTeam(), std::optional<QString>());
    }
};

QTEST_MAIN(DeploymentsViewsTest)
#include "tst_deploymentsviews.moc"
