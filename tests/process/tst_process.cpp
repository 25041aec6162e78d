#include "platform/ProcessSystemTools.h"
#include "platform/ShellProcessTable.h"
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
    void readsStatisticsOnlyWithAnOrigin();
    void statisticsFromToolOutput_data();
    void statisticsFromToolOutput();
    void originLookupLeavesATraceLine();
    void classifiesProcesses_data();
    void classifiesProcesses();
    void appTypeBadges_data();
    void appTypeBadges();
    void stopSendsTermThroughBash();
    void stopRunsNothingForAnOddPid_data();
    void stopRunsNothingForAnOddPid();
    void stopEndsARealProcess();
};

void ProcessTest::formatsMemory_data()
{
    QTest::addColumn<double>("kilobytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("512 KB") << 512.0 << QStringLiteral("0.50MB");
    QTest::newRow("just under 10 MB") << 10239.0 << QStringLiteral("10.00MB");
    QTest::newRow("10 MB") << 10240.0 << QStringLiteral("10MB");
    QTest::newRow("245 MB") << 250880.0 << QStringLiteral("245MB");
    QTest::newRow("just under 1 GB") << 1048575.0 << QStringLiteral("1024MB");
    QTest::newRow("1 GB") << 1048576.0 << QStringLiteral("1GB");
    QTest::newRow("1.5 GB rounds") << 1572864.0 << QStringLiteral("2GB");
    QTest::newRow("nothing") << 0.0 << QStringLiteral("0.00MB");
}

void ProcessTest::formatsMemory()
{
    QFETCH(double, kilobytes);
    QTEST(formatMemory(kilobytes / 1024), "text");
}

void ProcessTest::readsStatisticsOnlyWithAnOrigin()
{
    auto tools = std::make_shared<RecordingSystemTools>();
    tools->setOutput(" %CPU %MEM RSS\n 1.0 0.5 2048\n");
    const ProcessStatsReader reader(std::make_shared<ShellProcessTable>(tools));
    QVERIFY(!reader.fetchProcessStats(
        PortData(QStringLiteral("node"), QStringLiteral("3000"), QStringLiteral("9"))));
    QVERIFY(tools->calls().isEmpty());

    const PortData withOrigin(QStringLiteral("node"), QStringLiteral("3000"), QStringLiteral("9"),
                              std::nullopt,
                              ProcessInfo{QStringLiteral("/srv/my app"), QStringLiteral("node .")});
    const auto stats = reader.fetchProcessStats(withOrigin);
    QCOMPARE(stats, std::optional(ProcessStats{QStringLiteral("1.0"), QStringLiteral("0.5"),
                                               QStringLiteral("2.00MB"), QString()}));
    QCOMPARE(tools->calls().value(0).program, QStringLiteral("/bin/zsh"));
    QCOMPARE(tools->calls().value(0).arguments.value(1),
             ShellProcessTable::statisticsCommandFor(QStringLiteral("9"), QStringLiteral("/srv/my app")));
}

void ProcessTest::statisticsFromToolOutput_data()
{
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<bool>("present");
    QTest::addColumn<QString>("memory");
    QTest::addColumn<QString>("branch");
    QTest::newRow("branch") << QByteArray(" %CPU %MEM RSS\n 3.2 1.0 51200\nmain\n") << true
                            << QStringLiteral("50MB") << QStringLiteral("main");
    QTest::newRow("resident size not a number")
        << QByteArray("h\n1 2 x\n") << true << QStringLiteral("0.00MB") << QString();
    QTest::newRow("process gone") << QByteArray(" %CPU %MEM RSS\n") << false << QString() << QString();
}

void ProcessTest::statisticsFromToolOutput()
{
    QFETCH(QByteArray, output);
    QFETCH(bool, present);
    auto tools = std::make_shared<RecordingSystemTools>();
    tools->setOutput(output);
    const PortData entry(QStringLiteral("node"), QStringLiteral("3000"), QStringLiteral("9"), std::nullopt,
                         ProcessInfo{QStringLiteral("/srv"), QStringLiteral("node .")});
    const auto stats =
        ProcessStatsReader(std::make_shared<ShellProcessTable>(tools)).fetchProcessStats(entry);
    QCOMPARE(stats.has_value(), present);
    if (!present)
        return;
    QTEST(stats->memMB, "memory");
    QTEST(stats->gitBranch, "branch");
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
    QTest::newRow("deno") << QStringLiteral("deno") << QString() << false;
    QTest::newRow("ssh") << QStringLiteral("ssh") << QString() << false;
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

void ProcessTest::appTypeBadges_data()
{
    QTest::addColumn<AppType>("type");
    QTest::addColumn<QString>("icon");
    QTest::newRow("react") << AppType::react << QStringLiteral("react");
    QTest::newRow("nextjs") << AppType::nextjs << QStringLiteral("nextjs");
    QTest::newRow("storybook") << AppType::storybook << QStringLiteral("storybook");
    QTest::newRow("unknown") << AppType::unknown << QString();
}

void ProcessTest::appTypeBadges()
{
    QFETCH(AppType, type);
    QTEST(appTypeIconName(type), "icon");
}

void ProcessTest::stopSendsTermThroughBash()
{
    auto tools = std::make_shared<RecordingSystemTools>();
    ProcessStopper(tools).stopProcess(QStringLiteral("4242"));
    const auto calls = tools->calls();
    QCOMPARE(calls.size(), 1);
    QCOMPARE(calls[0].kind, RecordingSystemTools::Call::Kind::wait);
    QCOMPARE(calls[0].program, QStringLiteral("/bin/bash"));
    QCOMPARE(calls[0].arguments, (QStringList{QStringLiteral("-c"), QStringLiteral("kill -15 4242")}));
}

void ProcessTest::stopRunsNothingForAnOddPid_data()
{
    QTest::addColumn<QString>("pid");
    QTest::newRow("empty") << QString();
    QTest::newRow("command after the pid") << QStringLiteral("4242; touch /tmp/x");
    QTest::newRow("substitution") << QStringLiteral("$(touch /tmp/x)");
    QTest::newRow("negative: a process group") << QStringLiteral("-1");
    QTest::newRow("zero: our own group") << QStringLiteral("0");
    QTest::newRow("leading zero") << QStringLiteral("0123");
    QTest::newRow("space") << QStringLiteral("42 43");
    QTest::newRow("other digits") << QStringLiteral("\u0664\u0662");
    QTest::newRow("trailing line feed") << QStringLiteral("4242\n");
}

void ProcessTest::stopRunsNothingForAnOddPid()
{
    QFETCH(QString, pid);
    QVERIFY(!ProcessStopper::isProcessId(pid));
    auto tools = std::make_shared<RecordingSystemTools>();
    ProcessStopper(tools).stopProcess(pid);
    QCOMPARE(tools->calls().size(), 0);
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
