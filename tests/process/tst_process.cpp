#include "platform/ProcessSystemTools.h"
#include "platform/commands/ShellProcessTable.h"
#include "process/ProcessClassifier.h"
#include "process/ProcessOrigin.h"
#include "process/ProcessStatsReader.h"
#include "process/ProcessStopper.h"
#include "records/PortData.h"
#include "support/RecordingSystemTools.h"

#include <QProcess>
#include <QTest>

using namespace tidewell;
using namespace tidewell::test;

class ProcessTest : public QObject
{
    Q_OBJECT
private slots:
    void formatsMemory_data();
    void formatsMemory();
    void statisticsFromToolOutput_data();
    void statisticsFromToolOutput();
    void originLookupLeavesATraceLine();
    void classifiesProcesses_data();
    void classifiesProcesses();
    void stopSendsTermOnlyForAPlainPid_data();
    void stopSendsTermOnlyForAPlainPid();
    void stopEndsARealProcess();
};

void ProcessTest::formatsMemory_data()
{
    QTest::addColumn<double>("kilobytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("512 KB") << 512.0 << QStringLiteral("0.50MB");
    QTest::newRow("just under 10 MB") << 10239.0 << QStringLiteral("10.00MB");
    QTest::newRow("10 MB") << 10240.0 << QStringLiteral("10MB");
    QTest::newRow("just under 1 GB") << 1048575.0 << QStringLiteral("1024MB");
    QTest::newRow("1 GB") << 1048576.0 << QStringLiteral("1GB");
    QTest::newRow("1.5 GB rounds") << 1572864.0 << QStringLiteral("2GB");
}

void ProcessTest::formatsMemory()
{
    QFETCH(double, kilobytes);
    QTEST(formatMemory(kilobytes / 1024), "text");
}

void ProcessTest::statisticsFromToolOutput_data()
{
    QTest::addColumn<bool>("withOrigin");
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QString>("stats"); // cpu|mem|memory|branch, empty for none
    const QByteArray plain(" %CPU %MEM RSS\n 1.0 0.5 2048\n");
    QTest::newRow("no origin: nothing is run") << false << plain << QString();
    QTest::newRow("no branch") << true << plain << QStringLiteral("1.0|0.5|2.00MB|");
    QTest::newRow("branch") << true << QByteArray(" %CPU %MEM RSS\n 3.2 1.0 51200\nmain\n")
                            << QStringLiteral("3.2|1.0|50MB|main");
    QTest::newRow("resident size not a number")
        << true << QByteArray("h\n1 2 x\n") << QStringLiteral("1|2|0.00MB|");
    QTest::newRow("process gone") << true << QByteArray(" %CPU %MEM RSS\n") << QString();
}

void ProcessTest::statisticsFromToolOutput()
{
    QFETCH(bool, withOrigin);
    QFETCH(QByteArray, output);
    auto tools = std::make_shared<RecordingSystemTools>();
    tools->setOutput(output);
    const auto origin =
        withOrigin ? std::optional(ProcessInfo{QStringLiteral("/srv/my app"), QStringLiteral("node .")})
                   : std::nullopt;
    const auto stats = ProcessStatsReader(std::make_shared<ShellProcessTable>(tools))
                           .fetchProcessStats(PortData(QStringLiteral("node"), QStringLiteral("3000"),
                                                       QStringLiteral("9"), std::nullopt, origin));
    const QString got =
        stats ? QStringList{stats->cpu, stats->mem, stats->memMB, stats->gitBranch}.join(QLatin1Char('|'))
              : QString();
    QTEST(got, "stats");
    if (!withOrigin) {
        QVERIFY(tools->calls().isEmpty());
        return;
    }
    QCOMPARE(tools->calls().value(0).program, QStringLiteral("/bin/zsh"));
    QCOMPARE(tools->calls().value(0).arguments.value(1),
             ShellProcessTable::statisticsCommandFor(QStringLiteral("9"), QStringLiteral("/srv/my app")));
}

void ProcessTest::originLookupLeavesATraceLine()
{
    auto tools = std::make_shared<RecordingSystemTools>();
    tools->setOutput("/srv\nnode .\n");
    QStringList lines;
    const ProcessOrigin origin(std::make_shared<ShellProcessTable>(tools),
                               [&lines](const QString& line) { lines.append(line); });
    QCOMPARE(origin.getProcessInfo(QStringLiteral("321")),
             std::optional(ProcessInfo{QStringLiteral("/srv"), QStringLiteral("node .")}));
    QCOMPARE(lines, QStringList{QStringLiteral("Getting process info 321")});
}

void ProcessTest::classifiesProcesses_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("icon");
    QTest::addColumn<bool>("editor");
    QTest::newRow("node") << QStringLiteral("node") << QStringLiteral("nodejs") << false;
    QTest::newRow("nodemon") << QStringLiteral("nodemon") << QString() << false;
    QTest::newRow("bun") << QStringLiteral("bun") << QStringLiteral("bunjs") << false;
    QTest::newRow("python3.11") << QStringLiteral("python3.11") << QStringLiteral("python") << false;
    QTest::newRow("Python3 capital") << QStringLiteral("Python3") << QString() << false;
    QTest::newRow("editor helper") << QStringLiteral("Code\\x20H") << QStringLiteral("vscode") << true;
    QTest::newRow("editor helper lower case") << QStringLiteral("code\\x20h") << QString() << true;
    QTest::newRow("Cursor") << QStringLiteral("Cursor") << QStringLiteral("cursor") << true;
    QTest::newRow("CURSOR") << QStringLiteral("CURSOR") << QString() << true;
    QTest::newRow("cursor-agent cut") << QStringLiteral("cursor-ag") << QString() << false;
}

void ProcessTest::classifiesProcesses()
{
    QFETCH(QString, name);
    QTEST(processIconName(name), "icon");
    QTEST(isEditorProcess(name), "editor");
}

void ProcessTest::stopSendsTermOnlyForAPlainPid_data()
{
    QTest::addColumn<QString>("pid");
    QTest::addColumn<QStringList>("arguments"); // of the one bash call, empty for none
    QTest::newRow("plain pid") << QStringLiteral("4242")
                               << QStringList{QStringLiteral("-c"), QStringLiteral("kill -15 4242")};
    QTest::newRow("empty") << QString() << QStringList();
    QTest::newRow("command after the pid") << QStringLiteral("4242; touch /tmp/x") << QStringList();
    QTest::newRow("substitution") << QStringLiteral("$(touch /tmp/x)") << QStringList();
    QTest::newRow("negative: a process group") << QStringLiteral("-1") << QStringList();
    QTest::newRow("zero: our own group") << QStringLiteral("0") << QStringList();
    QTest::newRow("leading zero") << QStringLiteral("0123") << QStringList();
    QTest::newRow("other digits") << QStringLiteral("\u0664\u0662") << QStringList();
    QTest::newRow("trailing line feed") << QStringLiteral("4242\n") << QStringList();
}

void ProcessTest::stopSendsTermOnlyForAPlainPid()
{
    QFETCH(QString, pid);
    QFETCH(QStringList, arguments);
    auto tools = std::make_shared<RecordingSystemTools>();
    ProcessStopper(tools).stopProcess(pid);
    const auto calls = tools->calls();
    QCOMPARE(calls.size(), arguments.isEmpty() ? 0 : 1);
    if (calls.isEmpty())
        return;
    QCOMPARE(calls[0].kind, RecordingSystemTools::Call::Kind::wait);
    QCOMPARE(calls[0].program, QStringLiteral("/bin/bash"));
    QCOMPARE(calls[0].arguments, arguments);
}

void ProcessTest::stopEndsARealProcess()
{
    QProcess sleeper;
    sleeper.start(QStringLiteral("sleep"), {QStringLiteral("300")});
    QVERIFY(sleeper.waitForStarted());
    ProcessStopper(std::make_shared<ProcessSystemTools>()).stopProcess(QString::number(sleeper.processId()));
    QTRY_COMPARE_WITH_TIMEOUT(sleeper.state(), QProcess::NotRunning, 10000);
    // Ended by the signal, not by exiting on its own.
    QCOMPARE(sleeper.exitStatus(), QProcess::CrashExit);
}

QTEST_GUILESS_MAIN(ProcessTest)
#include "tst_process.moc"
