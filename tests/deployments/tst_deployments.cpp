#include "deployments/RelativeTimeFormatter.h"
#include "deployments/VercelClient.h"
#include "deployments/VercelCredentialFile.h"
#include "deployments/VercelProjectLink.h"
#include "support/StubHttpServer.h"
#include "support/TestProcesses.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <optional>
#include <sys/stat.h>

using namespace tidewell;
using namespace tidewell::test;
using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

using OptionalText = std::optional<QString>;
// Stands for a FIFO planted where a file is read.
const QByteArray kFifo = QByteArrayLiteral("\0fifo");

class DeploymentsTest : public QObject
{
    Q_OBJECT
private slots:
    // How the replies decode is checked in tst_records; here, what goes out and what comes back.
    void projectRequests_data()
    {
        QTest::addColumn<OptionalText>("team");
        QTest::addColumn<OptionalText>("token");
        QTest::addColumn<StubHttpServer::Reply>("reply");
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<QString>("expected");
        using Reply = StubHttpServer::Reply;
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
        QStringList names;
        for (const ProjectObject& project :
             outcome->ok() ? outcome->value().projects : QList<ProjectObject>())
            names.append(project.name);
        QTEST(outcome->ok() ? names.join(u' ') : u"failure: "_s + outcome->error(), "expected");
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
            const QString path = root.path() + u'/' + link.section(u'=', 0, 0) + u"/.vercel/project.json"_s;
            const QByteArray content = link.section(u'=', 1).toUtf8();
            QVERIFY(content == "fifo" ? root.mkpath(QFileInfo(path).path()) &&
                                            ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0
                                      : writeFile(path, content));
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
        QTest::newRow("a FIFO") << std::optional<QByteArray>(kFifo) << OptionalText()
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
        const QString path = data.filePath(u"com.vercel.cli/auth.json"_s);
        if (content == kFifo)
            QVERIFY(QDir().mkpath(QFileInfo(path).path()) &&
                    ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        else
            QVERIFY(!content || writeFile(path, *content));
        QStringList lines;
        QTEST(VercelCredentialFile::readVercelToken([&](const QString& line) { lines.append(line); },
                                                    data.path()),
              "token");
        QCOMPARE(lines.size(), logged.isEmpty() ? 0 : 1);
        QVERIFY(lines.value(0).startsWith(logged));
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
