#include "platform/commands/ShellProcessTable.h"
#include "process/ProcessClassifier.h"
#include "process/ProcessStatsReader.h"
#include "process/ProcessStopper.h"
#include "records/PortData.h"
#include "support/RecordingSystemTools.h"

#include <QTest>

using namespace tidewell;
using namespace tidewell::test;
using namespace Qt::StringLiterals;

class ProcessTest : public QObject
{
    Q_OBJECT
private slots:
    void formatsMemory_data();
    void formatsMemory();
    void statisticsFromToolOutput_data();
    void statisticsFromToolOutput();
    void classifiesProcesses_data();
    void classifiesProcesses();
    void stopSendsTermOnlyForAPlainPid_data();
    void stopSendsTermOnlyForAPlainPid();
};

void ProcessTest::formatsMemory_data()
{
    QTest::addColumn<double>("kilobytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("512 KB") << 512.0 << u"0.50MB"_s;
    QTest::newRow("just under 10 MB") << 10239.0 << u"10.00MB"_s;
    QTest::newRow("10 MB") << 10240.0 << u"10MB"_s;
    QTest::newRow("just under 1 GB") << 1048575.0 << u"1024MB"_s;
    QTest::newRow("1 GB") << 1048576.0 << u"1GB"_s;
    QTest::newRow("1.5 GB rounds") << 1572864.0 << u"2GB"_s;
}

void ProcessTest::formatsMemory()
{
    QFETCH(double, kilobytes);
    QTEST(formatMemory(kilobytes / 1024), "text");
}

// What ps and git print, through the command table's parser and the reader's formatting.
void ProcessTest::statisticsFromToolOutput_data()
{
    QTest::addColumn<bool>("withOrigin");
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QString>("stats"); // cpu|mem|memory|branch, empty for none
    const QByteArray plain(" %CPU %MEM   RSS\n  1.0  0.5  2048\n");
    QTest::newRow("no origin: nothing is run") << false << plain << QString();
    QTest::newRow("no work tree") << true << plain << u"1.0|0.5|2.00MB|"_s;
    QTest::newRow("branch") << true << " %CPU %MEM RSS\n 3.2 1.0 51200\nfeature/x\n"_ba
                            << u"3.2|1.0|50MB|feature/x"_s;
    QTest::newRow("resident size not a number") << true << "h\n1 2 x\n"_ba << u"1|2|0.00MB|"_s;
    QTest::newRow("process gone") << true << " %CPU %MEM RSS\n"_ba << QString();
    QTest::newRow("two fields") << true << " %CPU %MEM\n 1.0 2.0\n"_ba << QString();
    QTest::newRow("not utf-8") << true << "h\n1 2 3\n\xff\n"_ba << QString();
}

void ProcessTest::statisticsFromToolOutput()
{
    QFETCH(bool, withOrigin);
    QFETCH(QByteArray, output);
    auto tools = std::make_shared<RecordingSystemTools>();
    tools->setOutput(output);
    const auto origin = withOrigin ? std::optional(ProcessInfo{u"/srv/my app"_s, u"node ."_s}) : std::nullopt;
    const auto stats = ProcessStatsReader(std::make_shared<ShellProcessTable>(tools))
                           .fetchProcessStats(PortData(u"node"_s, u"3000"_s, u"9"_s, std::nullopt, origin));
    const QString got =
        stats ? QStringList{stats->cpu, stats->mem, stats->memMB, stats->gitBranch}.join(u'|') : QString();
    QTEST(got, "stats");
    QCOMPARE(tools->calls().size(), withOrigin ? 1 : 0);
}

void ProcessTest::classifiesProcesses_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("icon");
    QTest::addColumn<bool>("editor");
    QTest::newRow("node") << u"node"_s << u"nodejs"_s << false;
    QTest::newRow("nodemon") << u"nodemon"_s << QString() << false;
    QTest::newRow("bun") << u"bun"_s << u"bunjs"_s << false;
    QTest::newRow("python3.11") << u"python3.11"_s << u"python"_s << false;
    QTest::newRow("Python3 capital") << u"Python3"_s << QString() << false;
    QTest::newRow("editor helper") << u"Code\\x20H"_s << u"vscode"_s << true;
    QTest::newRow("editor helper lower case") << u"code\\x20h"_s << QString() << true;
    QTest::newRow("Cursor") << u"Cursor"_s << u"cursor"_s << true;
    QTest::newRow("CURSOR") << u"CURSOR"_s << QString() << true;
    QTest::newRow("cursor-agent cut") << u"cursor-ag"_s << QString() << false;
}

void ProcessTest::classifiesProcesses()
{
    QFETCH(QString, name);
    QTEST(processIconName(name), "icon");
    QTEST(isEditorProcess(name), "editor");
}

// A real process is stopped through the same call in tst_processviews.
void ProcessTest::stopSendsTermOnlyForAPlainPid_data()
{
    QTest::addColumn<QString>("pid");
    QTest::addColumn<bool>("sent");
    QTest::newRow("plain pid") << u"4242"_s << true;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("command after the pid") << u"4242; touch /tmp/x"_s << false;
    QTest::newRow("substitution") << u"$(touch /tmp/x)"_s << false;
    QTest::newRow("negative: a process group") << u"-1"_s << false;
    QTest::newRow("zero: our own group") << u"0"_s << false;
    QTest::newRow("leading zero") << u"0123"_s << false;
    QTest::newRow("other digits") << u"\u0664\u0662"_s << false;
    QTest::newRow("trailing line feed") << u"4242\n"_s << false;
}

void ProcessTest::stopSendsTermOnlyForAPlainPid()
{
    QFETCH(QString, pid);
    QFETCH(bool, sent);
    auto tools = std::make_shared<RecordingSystemTools>();
    ProcessStopper(tools).stopProcess(pid);
    const auto calls = tools->calls();
    QCOMPARE(calls.size(), sent ? 1 : 0);
    if (!sent)
        return;
    QCOMPARE(calls[0].kind, RecordingSystemTools::Call::Kind::wait);
    QCOMPARE(calls[0].program, u"/bin/bash"_s);
    QCOMPARE(calls[0].arguments, (QStringList{u"-c"_s, u"kill -15 4242"_s}));
}

QTEST_GUILESS_MAIN(ProcessTest)
#include "tst_process.moc"
