#include "support/TestProcesses.h"

#include <QProcess>
#include <QTcpServer>
#include <QTest>
#include <unistd.h>

using namespace tidewell;
using namespace tidewell::test;
using namespace Qt::StringLiterals;

// `tidewell --stop PORT` run for real against a listener of the test's own.
class StopCommandTest : public QObject
{
    Q_OBJECT
private slots:
    void stopFreesThePort_data()
    {
        QTest::addColumn<QStringList>("serverOptions"); // empty: nothing listens on the port
        QTest::addColumn<bool>("force");
        QTest::addColumn<bool>("otherUser");
        QTest::addColumn<int>("exitCode"); // 0: the server is gone
        QTest::addColumn<QString>("said"); // what it prints
        const QStringList plain{u"--name"_s, u"node"_s, u"--mode"_s, u"silent"_s};
        const QStringList holdsTerm = plain + QStringList{u"--hold-term"_s};
        QTest::newRow("ends on SIGTERM")
            << plain << false << false << 0 << u"Stopped node (pid {pid}) on port {port}"_s;
        QTest::newRow("ignores SIGTERM") << holdsTerm << false << false << 1
                                         << u"node (pid {pid}) on port {port} still listens after 5 s"_s;
        QTest::newRow("ignores SIGTERM, --force")
            << holdsTerm << true << false << 0 << u"Stopped node (pid {pid}) on port {port} with SIGKILL"_s;
        QTest::newRow("nothing listens")
            << QStringList() << false << false << 1 << u"Nothing listens on port {port}"_s;
        QTest::newRow("another user's process")
            << plain << false << true << 1
            << u"Not permitted: port {port} is held by a process of another user"_s;
    }

    void stopFreesThePort()
    {
        QFETCH(QStringList, serverOptions);
        QFETCH(bool, force);
        QFETCH(bool, otherUser);
        QFETCH(int, exitCode);
        QFETCH(QString, said);
        QStringList command{QStringLiteral(TIDEWELL_PROGRAM)};
        if (otherUser && (::geteuid() != 0 || findProgram(u"setpriv"_s).isEmpty()))
            QSKIP("Running as another user needs root and setpriv");
        if (otherUser)
            command = QStringList{findProgram(u"setpriv"_s), u"--reuid=nobody"_s, u"--regid=nogroup"_s,
                                  u"--clear-groups"_s} +
                      command;
        QTcpServer freed; // a port that was free a moment ago, and that nothing of the test's holds now
        std::unique_ptr<ChildProcess> server =
            serverOptions.isEmpty() ? nullptr : startListener(serverOptions);
        QVERIFY(server ? server->waitUntilReady() : freed.listen(QHostAddress::LocalHost));
        const int port = server ? server->port() : freed.serverPort();
        freed.close();
        command += QStringList{u"--stop"_s, QString::number(port)} +
                   (force ? QStringList{u"--force"_s} : QStringList());

        QProcess run;
        run.start(command.takeFirst(), command);
        QVERIFY(run.waitForFinished(60000));
        const QString out = QString::fromUtf8(run.readAllStandardOutput() + run.readAllStandardError());
        QCOMPARE(run.exitCode(), exitCode);
        const QString line = QString(said)
                                 .replace(u"{pid}"_s, QString::number(server ? server->pid() : 0))
                                 .replace(u"{port}"_s, QString::number(port));
        QVERIFY2(out.contains(line), qPrintable(out));
        if (server)
            QCOMPARE(server->process().waitForFinished(exitCode == 0 ? 10000 : 0), exitCode == 0);
    }
};

QTEST_GUILESS_MAIN(StopCommandTest)
#include "tst_stopcommand.moc"
