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
    void stopFreesThePort_data();
    void stopFreesThePort();
};

void StopCommandTest::stopFreesThePort_data()
{
    QTest::addColumn<QStringList>("serverOptions"); // empty: nothing listens on the port
    QTest::addColumn<bool>("force");
    QTest::addColumn<bool>("otherUser");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said"); // the line's start, on standard output when it stopped
    QTest::addColumn<bool>("stopped");
    const QStringList plain{u"--name"_s, u"node"_s, u"--mode"_s, u"silent"_s};
    const QStringList holdsTerm = plain + QStringList{u"--hold-term"_s};
    QTest::newRow("ends on SIGTERM") << plain << false << false << 0
                                     << u"Stopped node (pid {pid}) on port {port}"_s << true;
    QTest::newRow("ignores SIGTERM") << holdsTerm << false << false << 1
                                     << u"node (pid {pid}) on port {port} still listens after 5 s"_s << false;
    QTest::newRow("ignores SIGTERM, --force")
        << holdsTerm << true << false << 0 << u"Stopped node (pid {pid}) on port {port} with SIGKILL"_s
        << true;
    QTest::newRow("nothing listens") << QStringList() << false << false << 1
                                     << u"Nothing listens on port {port}"_s << false;
    QTest::newRow("another user's process")
        << plain << true << true << 1 << u"Not permitted: port {port} is held by a process of another user"_s
        << false;
}

void StopCommandTest::stopFreesThePort()
{
    QFETCH(QStringList, serverOptions);
    QFETCH(bool, force);
    QFETCH(bool, otherUser);
    QFETCH(int, exitCode);
    QFETCH(QString, said);
    QFETCH(bool, stopped);
    QStringList command{QStringLiteral(TIDEWELL_PROGRAM)};
    if (otherUser) {
        if (::geteuid() != 0 || findProgram(u"setpriv"_s).isEmpty())
            QSKIP("Running as another user needs root and setpriv");
        command = QStringList{findProgram(u"setpriv"_s), u"--reuid=nobody"_s, u"--regid=nogroup"_s,
                              u"--clear-groups"_s} +
                  command;
    }
    std::unique_ptr<ChildProcess> server;
    int port = 0;
    if (serverOptions.isEmpty()) {
        // A port that was free a moment ago, and that nothing of the test's holds now.
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        port = probe.serverPort();
    } else {
        server = startListener(serverOptions);
        QVERIFY(server->waitUntilReady());
        port = server->port();
    }
    command += QStringList{u"--stop"_s, QString::number(port)};
    if (force)
        command.append(u"--force"_s);

    QProcess run;
    run.start(command.takeFirst(), command);
    QVERIFY(run.waitForFinished(60000));
    const QString out = QString::fromUtf8(run.readAllStandardOutput());
    const QString err = QString::fromUtf8(run.readAllStandardError());
    QCOMPARE(run.exitCode(), exitCode);
    const QString line = QString(said)
                             .replace(u"{pid}"_s, QString::number(server ? server->pid() : 0))
                             .replace(u"{port}"_s, QString::number(port));
    QVERIFY2((exitCode == 0 ? out : err).startsWith(line), qPrintable(out + err));
    if (!server)
        return;
    if (stopped)
        QVERIFY(server->process().waitForFinished(10000));
    else
        QCOMPARE(server->process().state(), QProcess::Running);
}

QTEST_GUILESS_MAIN(StopCommandTest)
#include "tst_stopcommand.moc"
