#include "support/StubHttpServer.h"
#include "support/TestProcesses.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace tidewell::test;
using namespace Qt::StringLiterals;

// `tidewell --list --json` as a real process over two real servers: one in a repository linked to a
// Vercel project, one in a repository of its own below a folder that is linked.
class ListDeploymentTest : public QObject
{
    Q_OBJECT
private slots:
    void linkedEntriesCarryTheirDeployment_data()
    {
        QTest::addColumn<bool>("token");
        QTest::addColumn<QByteArray>("deployment"); // of the linked server
        QTest::addColumn<QByteArray>("said");
        QTest::newRow("token") << true
                               << QByteArray(R"({"projectId":"prj_web","name":"web","state":"READY",)"
                                             R"("time":"2020-09-13T12:26:40.000Z"})")
                               << QByteArray();
        QTest::newRow("no token")
            << false << QByteArray()
            << QByteArray("No Vercel token: the deployments of linked projects are not shown\n");
    }

    void linkedEntriesCarryTheirDeployment()
    {
        QFETCH(bool, token);
        QFETCH(QByteArray, deployment);
        QTemporaryDir dir;
        const QDir root(dir.path());
        writeFile(root.filePath(u".vercel/project.json"_s), R"({"projectId":"prj_above","orgId":"team_1"})");
        writeFile(root.filePath(u"repo/.vercel/project.json"_s),
                  R"({"projectId":"prj_web","orgId":"team_1"})");
        writeFile(root.filePath(u"config/orvane.com/Tidewell.conf"_s),
                  "[General]\nselected_vercel_team=team_1\n");
        if (token)
            writeFile(root.filePath(u"data/com.vercel.cli/auth.json"_s), R"({"token":"tok"})");
        QVERIFY(root.mkpath(u"repo/.git"_s) && root.mkpath(u"repo/web"_s) && root.mkpath(u"other/.git"_s));
        // The folder above the other server's repository is no link of its: only one project is asked for.
        StubHttpServer server;
        server.setReply(
            "/v9/projects/prj_web",
            StubHttpServer::Reply::with(R"({"id":"prj_web","name":"web","latestDeployments":[{"id":"d",)"
                                        R"("readyState":"READY","readyAt":1600000000000,"meta":{}}]})"));
        auto linked = startListenerFromShell({u"--name"_s, u"node"_s}, root.filePath(u"repo/web"_s));
        auto other = startListenerFromShell({u"--name"_s, u"node"_s}, root.filePath(u"other"_s));
        QVERIFY(linked->waitUntilReady() && other->waitUntilReady());

        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"XDG_DATA_HOME"_s, root.filePath(u"data"_s));
        environment.insert(u"XDG_CONFIG_HOME"_s, root.filePath(u"config"_s));
        environment.insert(u"TIDEWELL_VERCEL_API_ORIGIN"_s, server.origin());
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(TIDEWELL_PROGRAM), {u"--list"_s, u"--json"_s, dir.path()});
        QVERIFY(QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 60'000));
        QMap<int, QJsonValue> byPort;
        for (const QJsonValue& entry : QJsonDocument::fromJson(process.readAllStandardOutput()).array())
            byPort.insert(entry[u"port"_s].toString().toInt(), entry[u"deployment"_s]);
        QCOMPARE(byPort.size(), 2);
        QCOMPARE(byPort.value(linked->port()),
                 deployment.isEmpty() ? QJsonValue(QJsonValue::Undefined)
                                      : QJsonValue(QJsonDocument::fromJson(deployment).object()));
        QVERIFY(byPort.value(other->port()).isUndefined());
        QTEST(process.readAllStandardError(), "said");
        QCOMPARE(server.requests().size(), token ? 1 : 0);
        if (token)
            QCOMPARE(server.requests().at(0).target, "/v9/projects/prj_web?teamId=team_1");
    }
};

QTEST_MAIN(ListDeploymentTest)
#include "tst_listdeployment.moc"
