#include "platform/Host.h"
#include "platform/commands/ShellProcessTable.h"
#include "ports/PortScanner.h"
#include "process/ProcessClassifier.h"
#include "process/ProcessOrigin.h"
#include "process/ProcessStatsReader.h"
#include "process/ProcessStopper.h"
#include "quicklaunch/QuickLaunchStore.h"
#include "records/PortData.h"
#include "support/RecordingSystemTools.h"
#include "support/TestProcesses.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

using namespace tidewell;
using namespace tidewell::test;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(tidewell::Host::Backend)

namespace {

// A SIGTERM sent to a process that blocks it stays pending, where /proc shows it at once.
bool termPending(const QString& pid)
{
    const QByteArray status = fileContent(u"/proc/%1/status"_s.arg(pid));
    const qsizetype at = status.indexOf("ShdPnd:") + 7;
    return (status.mid(at, status.indexOf('\n', at) - at).trimmed().toULongLong(nullptr, 16) >>
            (SIGTERM - 1)) &
           1;
}

} // namespace

class ProcessTest : public QObject
{
    Q_OBJECT
private slots:
    // What ps and git print, through the command table's parser and the reader's formatting (whose
    // steps are at 10 MB and 1 GB).
    void statisticsFromToolOutput_data()
    {
        QTest::addColumn<bool>("withOrigin");
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<QString>("stats"); // cpu|mem|memory|branch, empty for none
        const QByteArray plain(" %CPU %MEM   RSS\n  1.0  0.5  10239\n");
        QTest::newRow("no origin: nothing is run") << false << plain << QString();
        QTest::newRow("no work tree, just under 10 MB") << true << plain << u"1.0|0.5|10.00MB|"_s;
        QTest::newRow("branch, 10 MB")
            << true << " %CPU %MEM RSS\n 3.2 1.0 10240\nfeature/x\n"_ba << u"3.2|1.0|10MB|feature/x"_s;
        QTest::newRow("just under 1 GB") << true << "h\n1 2 1048575\n"_ba << u"1|2|1024MB|"_s;
        QTest::newRow("1 GB") << true << "h\n1 2 1048576\n"_ba << u"1|2|1GB|"_s;
        QTest::newRow("1.5 GB rounds") << true << "h\n1 2 1572864\n"_ba << u"1|2|2GB|"_s;
        QTest::newRow("resident size not a number") << true << "h\n1 2 x\n"_ba << u"1|2|0.00MB|"_s;
        QTest::newRow("process gone") << true << " %CPU %MEM RSS\n"_ba << QString();
        QTest::newRow("two fields") << true << " %CPU %MEM\n 1.0 2.0\n"_ba << QString();
        QTest::newRow("not utf-8") << true << "h\n1 2 3\n\xff\n"_ba << QString();
    }

    void statisticsFromToolOutput()
    {
        QFETCH(bool, withOrigin);
        QFETCH(QByteArray, output);
        auto tools = std::make_shared<RecordingSystemTools>();
        tools->setOutput(output);
        const auto origin =
            withOrigin ? std::optional(ProcessInfo{u"/srv/my app"_s, u"node ."_s}) : std::nullopt;
        const auto stats =
            ProcessStatsReader(std::make_shared<ShellProcessTable>(tools))
                .fetchProcessStats(PortData(u"node"_s, u"3000"_s, u"9"_s, std::nullopt, origin));
        const QString got =
            stats ? QStringList{stats->cpu, stats->mem, stats->memMB, stats->gitBranch}.join(u'|')
                  : QString();
        QTEST(got, "stats");
        QCOMPARE(tools->calls().size(), withOrigin ? 1 : 0);
    }

    void classifiesProcesses_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("runtime");
        QTest::addColumn<QString>("icon");
        QTest::addColumn<bool>("editor");
        QTest::newRow("node") << u"node"_s << QString() << u"nodejs"_s << false;
        QTest::newRow("nodemon") << u"nodemon"_s << QString() << QString() << false;
        QTest::newRow("python3.11") << u"python3.11"_s << QString() << u"python"_s << false;
        QTest::newRow("Python3 capital") << u"Python3"_s << QString() << QString() << false;
        QTest::newRow("editor helper's whole name")
            << u"Code\\x20Helper"_s << QString() << u"vscode"_s << true;
        QTest::newRow("editor helper lower case") << u"code\\x20h"_s << QString() << QString() << true;
        QTest::newRow("Cursor") << u"Cursor"_s << QString() << u"cursor"_s << true;
        QTest::newRow("CURSOR") << u"CURSOR"_s << QString() << QString() << true;
        QTest::newRow("cursor-agent cut") << u"cursor-ag"_s << QString() << QString() << false;
        QTest::newRow("renamed node") << u"next-server\\x20(v1"_s << u"node"_s << u"nodejs"_s << false;
        QTest::newRow("script on python") << u"jupyter-noteboo"_s << u"python"_s << u"python"_s << false;
        QTest::newRow("bun") << u"bun"_s << u"bun"_s << u"bunjs"_s << false;
    }

    void classifiesProcesses()
    {
        QFETCH(QString, name);
        QFETCH(QString, runtime);
        QTEST(processIconName(name, runtime), "icon");
        QTEST(isEditorProcess(name), "editor");
    }

    // A real process is stopped through the same call in tst_processviews.
    void stopSendsTermOnlyForAPlainPid_data()
    {
        QTest::addColumn<QString>("pid");
        QTest::addColumn<bool>("sent");
        QTest::newRow("plain pid") << u"4242"_s << true;
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("command after the pid") << u"4242; touch /tmp/x"_s << false;
        QTest::newRow("negative: a process group") << u"-1"_s << false;
        QTest::newRow("zero: our own group") << u"0"_s << false;
        QTest::newRow("leading zero") << u"0123"_s << false;
        QTest::newRow("other digits") << u"\u0664\u0662"_s << false;
        QTest::newRow("trailing line feed") << u"4242\n"_s << false;
    }

    void stopSendsTermOnlyForAPlainPid()
    {
        QFETCH(QString, pid);
        QFETCH(bool, sent);
        auto tools = std::make_shared<RecordingSystemTools>();
        tools->setOutput("Mon Dec  7 03:58:09 2026\n"); // what `ps -o lstart=` says of the listed process
        ProcessStopper(tools, std::make_shared<ShellProcessTable>(tools))
            .stopProcess({pid, u"Mon Dec  7 03:58:09 2026"_s});
        QStringList signalled;
        for (const auto& call : tools->calls()) {
            if (call.kind == RecordingSystemTools::Call::Kind::wait)
                signalled.append(call.program + u' ' + call.arguments.join(u' '));
        }
        QCOMPARE(signalled, sent ? QStringList{u"/bin/bash -c kill -15 4242"_s} : QStringList());
    }

    // A real listener started from a shell, as a scan lists it. Its pid going to another process cannot
    // be forced, so the seam swaps the listed start time or socket; a deleted folder is its own row.
    void actsOnlyOnTheListedProcess_data()
    {
        QTest::addColumn<Host::Backend>("backend");
        QTest::addColumn<QString>("change");
        for (const Host::Backend backend : {Host::Backend::native, Host::Backend::commands}) {
            const char* name = backend == Host::Backend::native ? "native" : "commands";
            for (const char* change : {"", "start time", "folder deleted"})
                QTest::addRow("%s: %s", name, change) << backend << QString::fromLatin1(change);
        }
        QTest::newRow("native: socket") << Host::Backend::native << u"socket"_s;
    }

    void actsOnlyOnTheListedProcess()
    {
        QFETCH(Host::Backend, backend);
        QFETCH(QString, change);
        if (backend == Host::Backend::commands && findProgram(u"lsof"_s).isEmpty())
            QSKIP("lsof is not installed");
        QTemporaryDir dir;
        const QString folder = dir.filePath(u"server"_s);
        QVERIFY(QDir().mkdir(folder));
        auto shell = startListenerFromShell({u"--mode"_s, u"silent"_s, u"--hold-term"_s}, folder);
        QVERIFY(shell->waitUntilReady());
        const Host host = Host::create(backend);
        const ScanResult scan = PortScanner(host.sockets, host.processes).scanListeningPorts();
        const QString pid = QString::number(childPids(shell->pid()).value(0));
        const auto it = std::find_if(scan.candidates.cbegin(), scan.candidates.cend(),
                                     [&pid](const PortData& e) { return e.pid() == pid; });
        QVERIFY(it != scan.candidates.cend());
        PortData entry = *it;
        ProcessIdentity listed = entry.identity();
        listed.startTime += change == u"start time" ? u"0"_s : QString();
        listed.socketInode += change == u"socket" ? 1 : 0;
        QVERIFY(change != u"folder deleted" || QDir().rmdir(folder));
        const bool same = change.isEmpty() || change == u"folder deleted";
        entry.setProcessInfo(ProcessOrigin(host.processes).getProcessInfo(listed));
        QCOMPARE(entry.processInfo().value_or(ProcessInfo{}).cwd, same ? folder : QString());
        // A deleted folder is shown without the kernel's mark, and not saved to start from again.
        const auto saved = QuickLaunchStore::makeQuickLaunchItem(entry, {})->processInfo();
        QCOMPARE(saved.value_or(ProcessInfo{}).cwd, change.isEmpty() ? folder : QString());
        QCOMPARE(ProcessStopper(host.tools, host.processes).stopProcess(listed) != StopResult::notListed,
                 same);
        QCOMPARE(termPending(pid), same);
    }
};

QTEST_GUILESS_MAIN(ProcessTest)
#include "tst_process.moc"
