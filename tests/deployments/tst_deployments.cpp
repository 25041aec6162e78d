#include "deployments/RelativeTimeFormatter.h"
#include "deployments/VercelClient.h"
#include "deployments/VercelCredentialFile.h"
#include "support/StubHttpServer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace tidewell;
using namespace tidewell::test;
using namespace std::chrono_literals;

namespace {

const QByteArray kToken = "s3cr3t-T0KEN";

QByteArray deployment(const char* state, const QByteArray& times = R"("readyAt":1700000000000)")
{
    return R"({"id":"d","readyState":")" + QByteArray(state) + R"(",)" + times +
           R"(,"meta":{"githubCommitAuthorName":"ann","githubCommitMessage":"m"}})";
}

// Every ready state, a project without deployments and a deployment that only started building.
QByteArray everyKindOfProject()
{
    QByteArray projects;
    int i = 0;
    for (const char* state : {"BUILDING", "ERROR", "INITIALIZING", "QUEUED", "READY", "CANCELED"})
        projects += R"({"id":"p)" + QByteArray::number(i++) + R"(","name":")" + state +
                    R"(","framework":null,"latestDeployments":[)" + deployment(state) + "]},";
    projects += R"({"id":"e","name":"empty","latestDeployments":[]},)";
    projects += R"({"id":"b","name":"started","latestDeployments":[)" +
                deployment("BUILDING", R"("buildingAt":1600000000000)") + "]}";
    return R"({"projects":[)" + projects + "]}";
}

// The outcome once it arrives; a failure if it never does.
template <typename T> Result<T> wait(std::optional<Result<T>>& outcome)
{
    if (!QTest::qWaitFor([&] { return outcome.has_value(); }, 20'000))
        return Result<T>::failure(QStringLiteral("no outcome"));
    return *outcome;
}

} // namespace

class DeploymentsTest : public QObject
{
    Q_OBJECT
private slots:
    void projectsAddress_data();
    void projectsAddress();
    void projectReplies_data();
    void projectReplies();
    void silentServiceFailsAtTheTimeout();
    void credentialFile_data();
    void credentialFile();
    void relativeTimesAreWordedByTheLocale_data();
    void relativeTimesAreWordedByTheLocale();
};

void DeploymentsTest::projectsAddress_data()
{
    QTest::addColumn<std::optional<QString>>("team");
    QTest::addColumn<QByteArray>("target");
    QTest::newRow("personal") << std::optional<QString>() << QByteArray("/v9/projects?limit=4");
    QTest::newRow("team") << std::optional(QStringLiteral("team_1"))
                          << QByteArray("/v9/projects?limit=4&teamId=team_1");
    // An id cannot add a parameter, end the query or change the path.
    QTest::newRow("hostile id") << std::optional(QStringLiteral("a&limit=99#x/?"))
                                << QByteArray("/v9/projects?limit=4&teamId=a%26limit%3D99%23x%2F%3F");
}

void DeploymentsTest::projectsAddress()
{
    QFETCH(std::optional<QString>, team);
    QFETCH(QByteArray, target);
    StubHttpServer server;
    server.setReply("/v9/projects", StubHttpServer::Reply::with(R"({"projects":[]})"));
    std::optional<Result<ProjectResponse>> outcome;
    VercelClient(server.origin(), std::nullopt).fetchProjects(team, [&](Result<ProjectResponse> r) {
        outcome = std::move(r);
    });
    QVERIFY(wait(outcome).ok());
    QCOMPARE(server.requests().value(0).target, target);
    // Without a token the request still goes out, with an empty bearer.
    QCOMPARE(server.requests().value(0).headers.value("authorization"), QByteArray("Bearer"));
}

void DeploymentsTest::projectReplies_data()
{
    QTest::addColumn<StubHttpServer::Reply>("reply");
    QTest::addColumn<QString>("expected");
    QTest::newRow("every kind of project") << StubHttpServer::Reply::with(everyKindOfProject())
                                           << "BUILDING/BUILDING ERROR/ERROR INITIALIZING/INITIALIZING "
                                              "QUEUED/QUEUED READY/READY CANCELED/CANCELED "
                                              "empty/none started/BUILDING";
    QTest::newRow("403 error body") << StubHttpServer::Reply::with(R"({"error":{"code":"forbidden"}})", 403)
                                    << R"(failure: Missing member "projects")";
    QTest::newRow("500 whose body decodes") << StubHttpServer::Reply::with(R"({"projects":[]})", 500) << "";
    QTest::newRow("HTML page") << StubHttpServer::Reply::with("<html><body>Bad gateway</body></html>", 502)
                               << "failure: The reply is not JSON (illegal value at offset 1)";
    // A reply that echoes the token never brings it into an error text.
    QTest::newRow("echoed token")
        << StubHttpServer::Reply::with(
               R"({"projects":[{"id":"p","name":"n","latestDeployments":[{"id":"d","meta":{},"readyState":")" +
               kToken + R"("}]}]})")
        << R"(failure: Unknown readyState "<token>" at projects[0].latestDeployments[0])";
}

void DeploymentsTest::projectReplies()
{
    QFETCH(StubHttpServer::Reply, reply);
    QFETCH(QString, expected);
    StubHttpServer server;
    server.setReply("/v9/projects", reply);
    std::optional<Result<ProjectResponse>> outcome;
    VercelClient(server.origin(), QString::fromLatin1(kToken))
        .fetchProjects(std::nullopt, [&](Result<ProjectResponse> r) { outcome = std::move(r); });
    const Result<ProjectResponse> result = wait(outcome);
    const StubHttpServer::Request request = server.requests().value(0);
    QCOMPARE(request.method + ' ' + request.headers.value("authorization") + ' ' +
                 request.headers.value("content-type"),
             "GET Bearer " + kToken + " application/json");
    QVERIFY(request.body.isEmpty());
    QStringList shown;
    if (result) {
        for (const ProjectObject& project : result.value().projects) {
            const QString state = project.latestDeployments.isEmpty()
                                      ? QStringLiteral("none")
                                      : readyStateText(project.latestDeployments.first().readyState);
            shown.append(project.name + QLatin1Char('/') + state);
        }
    }
    QCOMPARE(result ? shown.join(QLatin1Char(' ')) : QStringLiteral("failure: ") + result.error(), expected);
}

void DeploymentsTest::silentServiceFailsAtTheTimeout()
{
    StubHttpServer server;
    server.setReply("/v2/user", StubHttpServer::Reply::silence());
    std::optional<Result<UserResponse>> outcome;
    VercelClient(server.origin(), std::nullopt, sharedNetworkSession(), RequestLimits{300ms})
        .fetchUser([&](Result<UserResponse> r) { outcome = std::move(r); });
    QCOMPARE(wait(outcome).error(), QStringLiteral("The request timed out."));
}

void DeploymentsTest::credentialFile_data()
{
    QTest::addColumn<std::optional<QByteArray>>("content");
    QTest::addColumn<std::optional<QString>>("token");
    QTest::addColumn<QString>("logged");
    QTest::newRow("token kept exactly") << std::optional<QByteArray>(R"({"token":" t0k\n","userId":"u"})")
                                        << std::optional(QStringLiteral(" t0k\n")) << QString();
    QTest::newRow("never signed in") << std::optional<QByteArray>() << std::optional<QString>()
                                     << "Error reading or parsing auth.json: ";
    QTest::newRow("null token") << std::optional<QByteArray>(R"({"token":null})") << std::optional<QString>()
                                << R"(Error reading or parsing auth.json: Missing member "token")";
    QTest::newRow("not JSON") << std::optional<QByteArray>("token=abc") << std::optional<QString>()
                              << "Error reading or parsing auth.json: The reply is not JSON";
}

void DeploymentsTest::credentialFile()
{
    QFETCH(std::optional<QByteArray>, content);
    QFETCH(std::optional<QString>, token);
    QFETCH(QString, logged);
    QTemporaryDir data;
    if (content) {
        QVERIFY(QDir(data.path()).mkpath(QStringLiteral("com.vercel.cli")));
        QFile file(data.filePath(QStringLiteral("com.vercel.cli/auth.json")));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(*content) == content->size());
    }
    QStringList lines;
    QCOMPARE(
        VercelCredentialFile::readVercelToken([&](const QString& line) { lines.append(line); }, data.path()),
        token);
    QCOMPARE(lines.size(), logged.isEmpty() ? 0 : 1);
    QVERIFY(lines.value(0).startsWith(logged));
}

void DeploymentsTest::relativeTimesAreWordedByTheLocale_data()
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

void DeploymentsTest::relativeTimesAreWordedByTheLocale()
{
    QFETCH(QString, locale);
    QFETCH(qint64, secondsAgo);
    QFETCH(QString, expected);
    const QDateTime now(QDate(2026, 3, 18), QTime(12, 0));
    QCOMPARE(RelativeTimeFormatter::format(now.addSecs(-secondsAgo), now, QLocale(locale)), expected);
}

QTEST_GUILESS_MAIN(DeploymentsTest)
#include "tst_deployments.moc"
