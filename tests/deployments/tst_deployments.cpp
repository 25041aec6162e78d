#include "deployments/DeploymentsFeed.h"
#include "deployments/RelativeTimeFormatter.h"
#include "deployments/VercelClient.h"
#include "deployments/VercelCredentialFile.h"
#include "deployments/VercelProjectLink.h"
#include "state/AppState.h"
#include "support/LogCapture.h"
#include "support/StubHttpServer.h"
#include "support/TestProcesses.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>

#include <optional>
#include <sys/stat.h>

using namespace tidewell;
using namespace tidewell::test;
using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

using OptionalText = std::optional<QString>;
using Reply = StubHttpServer::Reply;

// The projects requests the stand-in saw, in order.
QStringList projectTargets(const StubHttpServer& server)
{
    QStringList targets;
    for (const StubHttpServer::Request& request : server.requests())
        targets.append(QString::fromLatin1(request.target));
    return targets.filter(u"/v9/"_s);
}

std::unique_ptr<QSettings> settingsIn(const QTemporaryDir& dir)
{
    return std::make_unique<QSettings>(dir.filePath(u"s.ini"_s), QSettings::IniFormat);
}

// Writes `content` to `path`; "fifo" plants a FIFO there instead, which must never be read.
bool plant(const QString& path, const QByteArray& content)
{
    return content == "fifo" ? QDir().mkpath(QFileInfo(path).path()) &&
                                   ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0
                             : writeFile(path, content);
}

class DeploymentsTest : public QObject
{
    Q_OBJECT
private slots:
    // What the feed asks for, by what the window shows: opening it on the deployments tab fetches at once
    // and every two seconds; otherwise once a minute, and only for the "Deployment finished" switch.
    void feedPollsByWhatTheWindowShows_data()
    {
        QTest::addColumn<bool>("token");
        QTest::addColumn<bool>("visible");
        QTest::addColumn<SelectedTab>("tab");
        QTest::addColumn<bool>("notify");
        QTest::addColumn<int>("interval"); // 0: no polling
        QTest::addColumn<bool>("pollFetches");
        const int tab = DeploymentsFeed::kTabPollMs;
        const int minute = DeploymentsFeed::kIdlePollMs;
        QTest::newRow("no token") << false << true << SelectedTab::vercel << true << 0 << false;
        QTest::newRow("open on the tab") << true << true << SelectedTab::vercel << false << tab << true;
        QTest::newRow("open elsewhere") << true << true << SelectedTab::ports << true << minute << true;
        QTest::newRow("open elsewhere, switch off")
            << true << true << SelectedTab::ports << false << minute << false;
        QTest::newRow("closed") << true << false << SelectedTab::vercel << true << minute << true;
    }

    void feedPollsByWhatTheWindowShows()
    {
        QFETCH(bool, token);
        QFETCH(bool, visible);
        QFETCH(SelectedTab, tab);
        QFETCH(bool, notify);
        QFETCH(bool, pollFetches);
        QTemporaryDir dir;
        StubHttpServer server;
        server.setReply("/v9/projects", Reply::with(R"({"projects":[]})"));
        server.setReply("/v2/user", Reply::with(R"({"user":{"username":"ann"}})"));
        server.setReply("/v2/teams", Reply::with(R"({"teams":[]})"));
        AppState state(settingsIn(dir), token ? OptionalText(u"tok"_s) : std::nullopt);
        state.setSelectedTab(tab);
        state.setNotifyDeploymentFinished(notify);
        DeploymentsFeed feed(&state, QThreadPool::globalInstance(), server.origin(), dir.path());
        feed.startPolling();
        state.setIsVisible(visible);
        QTEST(feed.pollIntervalMs(), "interval");
        const int onTab = feed.pollIntervalMs() == DeploymentsFeed::kTabPollMs ? 1 : 0;
        QTRY_VERIFY(!feed.isFetchingProjects());
        QCOMPARE(projectTargets(server).size(), onTab);
        feed.poll();
        QCOMPARE(feed.isFetchingProjects(), pollFetches);
        QTRY_VERIFY(!feed.isFetchingProjects());
        QCOMPARE(projectTargets(server).size(), onTab + (pollFetches ? 1 : 0));
        if (!token)
            QCOMPARE(server.requests().size(), 0);
    }

    // The team is chosen while the personal projects are on their way: their late reply is dropped, and
    // the team's are asked for and stored.
    void feedDropsALateReplyForTheFormerTeam()
    {
        QTemporaryDir dir;
        StubHttpServer server;
        server.setReply("/v9/projects",
                        Reply::with(R"({"projects":[{"id":"p","name":"personal","latestDeployments":[]}]})"));
        AppState state(settingsIn(dir), u"tok"_s);
        state.setSelectedTab(SelectedTab::vercel);
        DeploymentsFeed feed(&state, QThreadPool::globalInstance(), server.origin(), dir.path());
        server.setHolding(true);
        state.setIsVisible(true);
        QVERIFY(feed.isFetchingProjects());
        QTRY_COMPARE(projectTargets(server).size(), 1);
        state.setSelectedTeam(u"team_1"_s);
        QStringList stored;
        connect(&state, &AppState::projectDataChanged, this,
                [&] { stored.append(state.projectData()->projects.value(0).name); });
        server.setReply("/v9/projects",
                        Reply::with(R"({"projects":[{"id":"t","name":"team","latestDeployments":[]}]})"));
        server.setHolding(false);
        QTRY_COMPARE(stored, QStringList{u"team"_s});
        QCOMPARE(projectTargets(server),
                 (QStringList{u"/v9/projects?limit=4"_s, u"/v9/projects?limit=4&teamId=team_1"_s}));
    }

    // How the replies decode is checked in tst_records; here, what goes out and what comes back.
    void projectRequests_data()
    {
        QTest::addColumn<OptionalText>("team");
        QTest::addColumn<OptionalText>("token");
        QTest::addColumn<StubHttpServer::Reply>("reply");
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<QString>("expected");
        const OptionalText none;
        const OptionalText token = u"s3cr3t-T0KEN"_s;
        const Reply shop = Reply::with(R"({"projects":[{"id":"p","name":"shop","latestDeployments":[]}]})");
        // Without a token the request still goes out, with an empty bearer.
        QTest::newRow("personal, no token") << none << none << shop << "/v9/projects?limit=4"_ba << u"shop"_s;
        // An id cannot add a parameter, end the query or change the path.
        QTest::newRow("hostile team id")
            << OptionalText(u"a&limit=99#x/?"_s) << token << shop
            << "/v9/projects?limit=4&teamId=a%26limit%3D99%23x%2F%3F"_ba << u"shop"_s;
        // A reply that echoes the token never brings it into an error text.
        QTest::newRow("echoed token")
            << none << token
            << Reply::with(R"({"projects":[{"id":"p","name":"n","latestDeployments":[{"id":"d","meta":{},)"
                           R"("readyState":"s3cr3t-T0KEN"}]}]})")
            << "/v9/projects?limit=4"_ba
            << u"failure: Unknown readyState \"<token>\" at projects[0].latestDeployments[0]"_s;
        QTest::newRow("silent service") << none << token << Reply::silence() << "/v9/projects?limit=4"_ba
                                        << u"failure: The request timed out."_s;
        // The token never follows a redirect, not even on the same origin.
        Reply around = Reply::with(shop.body, 307);
        around.headers.append({"Location"_ba, "/v9/projects?limit=4&again=1"_ba});
        QTest::newRow("redirect on the same origin")
            << none << token << around << "/v9/projects?limit=4"_ba
            << u"failure: The service answered with a redirect (HTTP 307), which is not followed."_s;
        // Four were asked for: four are taken, whatever the reply holds, and the rest is not read.
        QByteArray many = "{\"projects\":[";
        for (int i = 0; i < 10'000; ++i)
            many += (i ? ","_ba : QByteArray()) + "{\"id\":\"p\",\"name\":\"p" + QByteArray::number(i) +
                    (i < 4 ? "\",\"latestDeployments\":[]}" : "\"}");
        QTest::newRow("10,000 projects")
            << none << token << Reply::with(many + "]}") << "/v9/projects?limit=4"_ba << u"p0 p1 p2 p3"_s;
    }

    void projectRequests()
    {
        QFETCH(OptionalText, team);
        QFETCH(OptionalText, token);
        QFETCH(StubHttpServer::Reply, reply);
        StubHttpServer server;
        server.setReply("/v9/projects", reply);
        std::optional<Result<ProjectResponse>> outcome;
        VercelClient(server.origin(), token, sharedNetworkSession(), RequestLimits{3s})
            .fetchProjects(team, [&](Result<ProjectResponse> r) { outcome = std::move(r); });
        QTRY_VERIFY_WITH_TIMEOUT(outcome.has_value(), 20'000);
        const StubHttpServer::Request request = server.requests().value(0);
        QTEST(request.target, "target");
        QCOMPARE(request.method + ' ' + request.headers.value("authorization") + ' ' +
                     request.headers.value("content-type"),
                 "GET " + (u"Bearer "_s + token.value_or(QString())).trimmed().toUtf8() +
                     " application/json");
        QVERIFY(request.body.isEmpty());
        QCOMPARE(server.requests().size(), 1);
        QStringList names;
        for (const ProjectObject& project :
             outcome->ok() ? outcome->value().projects : QList<ProjectObject>())
            names.append(project.name);
        QTEST(outcome->ok() ? names.join(u' ') : u"failure: "_s + outcome->error(), "expected");
    }

    // The teams request takes the service's first page, however long the list it gets.
    void teamsAreCappedAtOnePage()
    {
        QByteArray teams = "{\"teams\":[";
        for (int i = 0; i < 5'000; ++i)
            teams += (i ? ","_ba : QByteArray()) + "{\"id\":\"t\",\"name\":\"n\",\"slug\":\"s" +
                     QByteArray::number(i) + "\"}";
        StubHttpServer server;
        server.setReply("/v2/teams", StubHttpServer::Reply::with(teams + "]}"));
        std::optional<Result<TeamsResponse>> outcome;
        VercelClient(server.origin(), u"t"_s, sharedNetworkSession(), RequestLimits{3s})
            .fetchTeams([&](Result<TeamsResponse> r) { outcome = std::move(r); });
        QTRY_VERIFY_WITH_TIMEOUT(outcome.has_value(), 20'000);
        QVERIFY2(outcome->ok(), qPrintable(outcome->error()));
        QCOMPARE(outcome->value().teams.size(), VercelClient::kTeamPageSize);
        QCOMPARE(outcome->value().teams.constLast().slug, u"s19"_s);
    }

    // Real folders: a repository with link files at several depths, one above it, and a home folder
    // that holds no repository. Each link is "folder=content", relative to a test-owned folder.
    void projectLinks_data()
    {
        QTest::addColumn<QStringList>("links");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("linked"); // "projectId@folder", or empty
        const QString web = uR"(={"projectId":"prj_web","orgId":"team_1"})"_s;
        const QString above = uR"(={"projectId":"prj_above","orgId":"team_1"})"_s;
        QTest::newRow("in the folder")
            << QStringList{u"repo/a/b"_s + web} << u"repo/a/b"_s << u"prj_web@repo/a/b"_s;
        QTest::newRow("root, three up")
            << QStringList{u"repo"_s + web} << u"repo/a/b/c"_s << u"prj_web@repo"_s;
        QTest::newRow("nearest wins")
            << QStringList{u"repo"_s + above, u"repo/a"_s + web} << u"repo/a/b"_s << u"prj_web@repo/a"_s;
        QTest::newRow("above the repository") << QStringList{above} << u"repo/a"_s << QString();
        QTest::newRow("no repository: up to home")
            << QStringList{u"home"_s + web} << u"home/a/b"_s << u"prj_web@home"_s;
        QTest::newRow("not above home") << QStringList{above} << u"home/a"_s << QString();
        QTest::newRow("id that is no plain id")
            << QStringList{u"repo={\"projectId\":\"../v2/user\",\"orgId\":\"t\"}"_s} << u"repo"_s
            << QString();
        QTest::newRow("cut at its bound")
            << QStringList{u"repo"_s + web.chopped(1) + QString(70'000, u' ') + u'}'} << u"repo"_s
            << QString();
        QTest::newRow("a FIFO is not read") << QStringList{u"repo=fifo"_s} << u"repo"_s << QString();
    }

    void projectLinks()
    {
        QFETCH(QStringList, links);
        QFETCH(QString, start);
        QTemporaryDir dir;
        const QDir root(dir.path());
        QVERIFY(root.mkpath(u"repo/.git"_s) && root.mkpath(start));
        for (const QString& link : links) {
            // An empty folder is the test's own: never the root of the file system.
            QVERIFY(plant(root.path() + u'/' + link.section(u'=', 0, 0) + u"/.vercel/project.json"_s,
                          link.section(u'=', 1).toUtf8()));
        }
        const auto found = VercelProjectLink::find(root.filePath(start), root.filePath(u"home"_s));
        QTEST(found ? found->projectId + u'@' + root.relativeFilePath(found->folder) : QString(), "linked");
    }

    void credentialFile_data()
    {
        QTest::addColumn<std::optional<QByteArray>>("content");
        QTest::addColumn<OptionalText>("token");
        QTest::addColumn<QString>("logged");
        const QString head = u"Error reading or parsing auth.json: "_s;
        QTest::newRow("token kept exactly") << std::optional<QByteArray>(R"({"token":" t0k\n","userId":"u"})")
                                            << OptionalText(u" t0k\n"_s) << QString();
        QTest::newRow("never signed in") << std::optional<QByteArray>() << OptionalText() << head;
        QTest::newRow("null token") << std::optional<QByteArray>(R"({"token":null})") << OptionalText()
                                    << head + uR"(Missing member "token")"_s;
        QTest::newRow("not JSON") << std::optional<QByteArray>("token=abc") << OptionalText()
                                  << head + u"The file is not JSON"_s;
        // Planted in its place: never opened for a blocking read, never read whole.
        QTest::newRow("a FIFO") << std::optional<QByteArray>("fifo") << OptionalText()
                                << head + u"Not a regular file"_s;
        QTest::newRow("over the cap")
            << std::optional<QByteArray>(R"({"token":"t"})" +
                                         QByteArray(VercelCredentialFile::kMaxFileBytes, ' '))
            << OptionalText() << head + u"Larger than 1048576 bytes"_s;
    }

    void credentialFile()
    {
        QFETCH(std::optional<QByteArray>, content);
        QFETCH(QString, logged);
        QTemporaryDir data;
        QVERIFY(!content || plant(data.filePath(u"com.vercel.cli/auth.json"_s), *content));
        LogCapture log;
        QTEST(VercelCredentialFile::readVercelToken(data.path()), "token");
        QCOMPARE(log.lines().size(), logged.isEmpty() ? 0 : 1);
        QVERIFY(log.lines().value(0).startsWith(logged));
    }

    void relativeTimesAreWordedByTheLocale_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<qint64>("secondsAgo");
        QTest::addColumn<QString>("expected");
        QTest::newRow("hours") << "en_US" << qint64(2 * 3600 + 600) << "2 hours ago";
        QTest::newRow("one minute") << "en_US" << qint64(61) << "1 minute ago";
        QTest::newRow("yesterday") << "en_US" << qint64(26 * 3600) << "yesterday";
        QTest::newRow("weeks") << "en_US" << qint64(15 * 86400) << "2 weeks ago";
        QTest::newRow("now") << "en_US" << qint64(0) << "now";
        QTest::newRow("German") << "de_DE" << qint64(26 * 3600) << "gestern";
        QTest::newRow("C reads as English") << "C" << qint64(3 * 60) << "3 minutes ago";
    }

    void relativeTimesAreWordedByTheLocale()
    {
        QFETCH(QString, locale);
        QFETCH(qint64, secondsAgo);
        const QDateTime now(QDate(2026, 3, 18), QTime(12, 0));
        QTEST(RelativeTimeFormatter::format(now.addSecs(-secondsAgo), now, QLocale(locale)), "expected");
    }
};

QTEST_GUILESS_MAIN(DeploymentsTest)
#include "tst_deployments.moc"
