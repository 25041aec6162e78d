#include "platform/GitBranchReader.h"
#include "platform/ProcessSystemTools.h"
#include "platform/commands/ShellProcessTable.h"
#include "platform/commands/ShellQuoting.h"
#include "platform/linux/LinuxProcessTable.h"
#include "support/RecordingSystemTools.h"
#include "support/TestProcesses.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <unistd.h>

using namespace tidewell;
using namespace tidewell::test;

Q_DECLARE_METATYPE(std::optional<tidewell::ProcessInfo>)
Q_DECLARE_METATYPE(std::optional<tidewell::ProcessReading>)

namespace {

bool hasShellTools()
{
    return QFile::exists(QStringLiteral("/bin/zsh")) && !findProgram(QStringLiteral("lsof")).isEmpty() &&
           !findProgram(QStringLiteral("ps")).isEmpty();
}

std::shared_ptr<ShellProcessTable> shellTable()
{
    return std::make_shared<ShellProcessTable>(std::make_shared<ProcessSystemTools>());
}

// The listener's pid under the shell that started it.
qint64 childOf(qint64 parent)
{
    QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(parent));
    if (!children.open(QIODevice::ReadOnly))
        return 0;
    return children.readAll().trimmed().split(' ').value(0).toLongLong();
}

// git's answer, or nothing when it fails.
std::optional<QString> git(const QString& folder, const QStringList& arguments)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(QStringLiteral("git"),
                  QStringList{QStringLiteral("-c"), QStringLiteral("user.name=t"), QStringLiteral("-c"),
                              QStringLiteral("user.email=t@t.invalid")} +
                      arguments);
    if (!process.waitForFinished() || process.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

} // namespace

class ProcessTableTest : public QObject
{
    Q_OBJECT
private slots:
    void runsTheCommandTexts();
    void parsesOriginOutput_data();
    void parsesOriginOutput();
    void parsesStatisticsOutput_data();
    void parsesStatisticsOutput();
    void hostileInputRunsNothing_data();
    void hostileInputRunsNothing();
    void shellPatternMatchesShells_data();
    void shellPatternMatchesShells();
    void originsAgreeOnLiveProcesses_data();
    void originsAgreeOnLiveProcesses();
    void nativeOriginKeepsFolderExact();
    void nativeOriginFindsShellsStartedByName();
    void processWithoutShellHasNoOrigin();
    void gitBranchMatchesGit();
    void readingsAgreeOnALiveProcess();
    void nativeCpuShareFollowsTheInterval();
};

void ProcessTableTest::runsTheCommandTexts()
{
    auto tools = std::make_shared<RecordingSystemTools>();
    ShellProcessTable table(tools);
    table.origin(QStringLiteral("7"));
    table.reading(QStringLiteral("12"), QStringLiteral("/tmp/it's"));
    const auto calls = tools->calls();
    QCOMPARE(calls.size(), 2);
    QCOMPARE(calls[0].program, QStringLiteral("/bin/bash"));
    QCOMPARE(calls[0].arguments, (QStringList{QStringLiteral("-c"),
                                              QStringLiteral("PID='7'") + ShellProcessTable::kOriginScript}));
    QCOMPARE(calls[1].program, QStringLiteral("/bin/zsh"));
    QCOMPARE(
        calls[1].arguments,
        (QStringList{QStringLiteral("-c"),
                     QStringLiteral("ps -p '12' -o %cpu,%mem,rss && cd '/tmp/it'\\''s' && git rev-parse "
                                    "--is-inside-work-tree > /dev/null 2>&1 && git branch --show-current")}));
}

void ProcessTableTest::parsesOriginOutput_data()
{
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<std::optional<ProcessInfo>>("expected");
    const auto info = [](const char* cwd, const char* cmd) {
        return std::optional(ProcessInfo{QString::fromUtf8(cwd), QString::fromUtf8(cmd)});
    };
    QTest::newRow("two lines") << QByteArray("/a b\nnpm run dev\n") << info("/a b", "npm run dev");
    QTest::newRow("three lines") << QByteArray("/a\nnode x\nmore\n") << info("/a", "node x");
    QTest::newRow("blank lines dropped") << QByteArray("\n/a\n\nnode x") << info("/a", "node x");
    QTest::newRow("spaces kept") << QByteArray(" /a \n node x \n") << info(" /a ", " node x ");
    QTest::newRow("one line") << QByteArray("node x\n") << std::optional<ProcessInfo>();
    QTest::newRow("listener is a shell") << QByteArray("\n\n") << std::optional<ProcessInfo>();
    QTest::newRow("not utf-8") << QByteArray("/caf\xe9\nnode x\n") << std::optional<ProcessInfo>();
}

void ProcessTableTest::parsesOriginOutput()
{
    QFETCH(QByteArray, output);
    QTEST(ShellProcessTable::parseOriginOutput(output), "expected");
}

void ProcessTableTest::parsesStatisticsOutput_data()
{
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<std::optional<ProcessReading>>("expected");
    const auto reading = [](const char* cpu, const char* mem, const char* rss, const char* branch) {
        return std::optional(ProcessReading{QString::fromLatin1(cpu), QString::fromLatin1(mem),
                                            QString::fromLatin1(rss), QString::fromLatin1(branch)});
    };
    QTest::newRow("with branch") << QByteArray(" %CPU %MEM   RSS\n  1.5  0.3 51200\nfeature/x\n")
                                 << reading("1.5", "0.3", "51200", "feature/x");
    QTest::newRow("no work tree") << QByteArray(" %CPU %MEM   RSS\n  0.0  0.1   512\n")
                                  << reading("0.0", "0.1", "512", "");
    QTest::newRow("process gone") << QByteArray(" %CPU %MEM   RSS\n") << std::optional<ProcessReading>();
    QTest::newRow("two fields") << QByteArray(" %CPU %MEM\n 1.0 2.0\n") << std::optional<ProcessReading>();
    QTest::newRow("not utf-8") << QByteArray("h\n1 2 3\n\xff\n") << std::optional<ProcessReading>();
}

void ProcessTableTest::parsesStatisticsOutput()
{
    QFETCH(QByteArray, output);
    QTEST(ShellProcessTable::parseStatisticsOutput(output), "expected");
}

void ProcessTableTest::hostileInputRunsNothing_data()
{
    QTest::addColumn<QString>("pid");
    QTest::addColumn<QString>("cwd");
    QTest::newRow("command substitution") << QStringLiteral("$(touch %1)") << QStringLiteral("/tmp");
    QTest::newRow("separator") << QStringLiteral("1; touch %1") << QStringLiteral("/tmp");
    QTest::newRow("backticks in folder") << QStringLiteral("1") << QStringLiteral("/tmp/`touch %1`");
    QTest::newRow("quote in folder") << QStringLiteral("1") << QStringLiteral("/tmp/'; touch %1; '");
}

void ProcessTableTest::hostileInputRunsNothing()
{
    if (!hasShellTools())
        QSKIP("zsh, lsof or ps is not installed");
    QFETCH(QString, pid);
    QFETCH(QString, cwd);
    QTemporaryDir dir;
    const QString witness = dir.filePath(QStringLiteral("ran"));
    pid = pid.arg(witness);
    cwd = cwd.arg(witness);
    auto table = shellTable();
    QVERIFY(!table->origin(pid));
    table->reading(pid, cwd);
    LinuxProcessTable().origin(pid);
    LinuxProcessTable().reading(pid, cwd);
    QVERIFY2(!QFile::exists(witness), "a text from the process table was run as a command");
}

void ProcessTableTest::shellPatternMatchesShells_data()
{
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<bool>("shell");
    QTest::newRow("zsh login") << QStringLiteral("/bin/zsh -il") << true;
    QTest::newRow("sh -c") << QStringLiteral("/bin/sh -c npm run dev") << true;
    QTest::newRow("bash alone") << QStringLiteral("/usr/bin/bash") << true;
    QTest::newRow("fish") << QStringLiteral("/opt/homebrew/bin/fish") << true;
    QTest::newRow("dash login without slash") << QStringLiteral("-zsh") << false;
    QTest::newRow("shell word inside a name") << QStringLiteral("/usr/bin/bashful") << false;
    QTest::newRow("node") << QStringLiteral("node /srv/app/server.js") << false;
    QTest::newRow("kernel thread") << QStringLiteral("[kthreadd]") << false;
}

void ProcessTableTest::shellPatternMatchesShells()
{
    QFETCH(QString, commandLine);
    QTEST(LinuxProcessTable::looksLikeShell(commandLine), "shell");
}

void ProcessTableTest::originsAgreeOnLiveProcesses_data()
{
    QTest::addColumn<QString>("shell");
    QTest::addColumn<bool>("throughRunner");
    QTest::addColumn<QString>("moveTo"); // how the server leaves the shell's folder for "sub"
    QTest::newRow("listener under bash") << QStringLiteral("/bin/bash") << false << QString();
    QTest::newRow("listener under a runner under sh") << QStringLiteral("/bin/sh") << true << QString();
    // The folder is the server's own, not the shell's.
    QTest::newRow("cd, then exec") << QStringLiteral("/bin/bash") << false << QStringLiteral("cd");
    QTest::newRow("env -C") << QStringLiteral("/bin/bash") << false << QStringLiteral("env");
}

void ProcessTableTest::originsAgreeOnLiveProcesses()
{
    if (!hasShellTools())
        QSKIP("zsh, lsof or ps is not installed: the script cannot be compared with /proc here");
    QFETCH(QString, shell);
    QFETCH(bool, throughRunner);
    QFETCH(QString, moveTo);
    QTemporaryDir dir;
    const QString shellFolder = dir.filePath(QStringLiteral("project dir"));
    const QString folder = moveTo.isEmpty() ? shellFolder : shellFolder + QStringLiteral("/sub");
    QVERIFY(QDir().mkpath(folder));

    // A runner stands for a package script runner: a non-shell process between shell and server.
    QString script = QStringLiteral("'%1' '%2'").arg(python3(), listenerScript());
    if (throughRunner)
        script = QStringLiteral("'%1' -c 'import subprocess, sys; subprocess.run(sys.argv[1:])' %2")
                     .arg(python3(), script);
    if (moveTo == QLatin1String("cd"))
        script = QStringLiteral("/bin/bash -c ") + shellQuoted(QStringLiteral("cd sub && exec ") + script);
    else if (moveTo == QLatin1String("env"))
        script = QStringLiteral("env -C sub ") + script;
    ChildProcess child(shell, {QStringLiteral("-c"), script + QStringLiteral("; exit $?")}, shellFolder);
    QVERIFY(child.waitUntilReady());
    qint64 listener = childOf(child.pid());
    const qint64 expectedProcess = listener;
    if (throughRunner)
        listener = childOf(listener);
    QVERIFY(listener > 0);

    const auto native = LinuxProcessTable().origin(QString::number(listener));
    const auto scripted = shellTable()->origin(QString::number(listener));
    QVERIFY(native);
    QCOMPARE(native->cwd, folder);
    QCOMPARE(native->cmd, LinuxProcessTable::commandLine(expectedProcess));
    QCOMPARE(scripted, native);
}

void ProcessTableTest::nativeOriginKeepsFolderExact()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("two  spaces"));
    QVERIFY(QDir().mkpath(folder));
    auto child = startListenerFromShell({}, folder);
    QVERIFY(child->waitUntilReady());
    const QString listener = QString::number(childOf(child->pid()));
    QCOMPARE(LinuxProcessTable().origin(listener)->cwd, folder);
    if (hasShellTools()) {
        // The script joins the folder's words with single spaces: a folder not to copy.
        QCOMPARE(shellTable()->origin(listener)->cwd, dir.filePath(QStringLiteral("two spaces")));
    }
}

void ProcessTableTest::nativeOriginFindsShellsStartedByName()
{
    QTemporaryDir dir;
    // Terminals start the shell under its bare name, as "exec -a" does here.
    const QString script = QStringLiteral("'%1' '%2'; exit $?").arg(python3(), listenerScript());
    ChildProcess child(
        QStringLiteral("/bin/bash"),
        {QStringLiteral("-c"), QStringLiteral("exec -a bash /bin/bash -c ") + shellQuoted(script)},
        dir.path());
    QVERIFY(child.waitUntilReady());
    QVERIFY(LinuxProcessTable::commandLine(child.pid()).startsWith(QStringLiteral("bash -c")));
    const auto origin = LinuxProcessTable().origin(QString::number(childOf(child.pid())));
    QVERIFY(origin);
    QCOMPARE(origin->cwd, dir.path());
}

void ProcessTableTest::processWithoutShellHasNoOrigin()
{
    // Detached twice over, the listener's parent becomes the machine's init process, as for a
    // server that the service manager started.
    QTemporaryDir dir;
    const QString pidFile = dir.filePath(QStringLiteral("pid"));
    const QString program = QStringLiteral("import os, sys, time\n"
                                           "if os.fork(): sys.exit(0)\n"
                                           "os.setsid()\n"
                                           "if os.fork(): sys.exit(0)\n"
                                           "open(sys.argv[1], 'w').write(str(os.getpid()))\n"
                                           "time.sleep(30)\n");
    QProcess::execute(python3(), {QStringLiteral("-c"), program, pidFile});
    QTRY_VERIFY(QFile(pidFile).size() > 0);
    QFile file(pidFile);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString pid = QString::fromUtf8(file.readAll());
    auto cleanup = qScopeGuard([&] { QProcess::execute(QStringLiteral("kill"), {pid}); });
    QCOMPARE(LinuxProcessTable().origin(pid), std::optional<ProcessInfo>());
    if (hasShellTools())
        QCOMPARE(shellTable()->origin(pid), std::optional<ProcessInfo>());
    QCOMPARE(LinuxProcessTable().origin(QStringLiteral("999999999")), std::optional<ProcessInfo>());
}

void ProcessTableTest::gitBranchMatchesGit()
{
    if (findProgram(QStringLiteral("git")).isEmpty())
        QSKIP("git is not installed");
    QTemporaryDir dir;
    const QString repo = dir.filePath(QStringLiteral("repo"));
    const QString worktree = dir.filePath(QStringLiteral("linked tree"));
    const QString nested = repo + QStringLiteral("/src/deep");
    QVERIFY(QDir().mkpath(nested));
    QVERIFY(git(repo, {QStringLiteral("init"), QStringLiteral("-q"), QStringLiteral("-b"),
                       QStringLiteral("feature/x")}));
    QVERIFY(git(repo, {QStringLiteral("commit"), QStringLiteral("-q"), QStringLiteral("--allow-empty"),
                       QStringLiteral("-m"), QStringLiteral("start")}));
    QVERIFY(git(repo, {QStringLiteral("worktree"), QStringLiteral("add"), QStringLiteral("-q"),
                       QStringLiteral("-b"), QStringLiteral("other"), worktree}));

    for (const QString& folder : {repo, nested, worktree, dir.path(), dir.filePath(QStringLiteral("gone"))}) {
        const QString fromGit =
            git(folder, {QStringLiteral("branch"), QStringLiteral("--show-current")}).value_or(QString());
        QVERIFY2(currentGitBranch(folder) == fromGit, qPrintable(folder));
    }
    QCOMPARE(currentGitBranch(nested), QStringLiteral("feature/x"));
    QCOMPARE(currentGitBranch(worktree), QStringLiteral("other"));

    QVERIFY(git(repo, {QStringLiteral("checkout"), QStringLiteral("-q"), QStringLiteral("--detach")}));
    QCOMPARE(currentGitBranch(repo), QString());
}

void ProcessTableTest::readingsAgreeOnALiveProcess()
{
    if (!hasShellTools() || findProgram(QStringLiteral("git")).isEmpty())
        QSKIP("zsh, lsof, ps or git is not installed");
    QTemporaryDir dir;
    QVERIFY(git(dir.path(), {QStringLiteral("init"), QStringLiteral("-q"), QStringLiteral("-b"),
                             QStringLiteral("main")}));
    auto child = startListener({}, dir.path());
    QVERIFY(child->waitUntilReady());
    const QString pid = QString::number(child->pid());

    const auto native = LinuxProcessTable().reading(pid, dir.path());
    const auto scripted = shellTable()->reading(pid, dir.path());
    QVERIFY(native && scripted);
    QCOMPARE(native->gitBranch, QStringLiteral("main"));
    QCOMPARE(scripted->gitBranch, native->gitBranch);
    const double nativeRss = native->rssKilobytes.toDouble();
    const double scriptedRss = scripted->rssKilobytes.toDouble();
    QVERIFY2(nativeRss > 1000 && qAbs(nativeRss - scriptedRss) / scriptedRss < 0.2,
             qPrintable(native->rssKilobytes + QStringLiteral(" vs ") + scripted->rssKilobytes));
    QCOMPARE(native->mem, scripted->mem);
    bool isNumber = false;
    native->cpu.toDouble(&isNumber);
    QVERIFY(isNumber);

    child->kill();
    QVERIFY(!LinuxProcessTable().reading(pid, dir.path()));
    QVERIFY(!shellTable()->reading(pid, dir.path()));
}

// The kernel's own lifetime CPU share of a process, in percent: CPU time over time alive.
double kernelLifetimeShare(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    QFile uptime(QStringLiteral("/proc/uptime"));
    if (!stat.open(QIODevice::ReadOnly) || !uptime.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    const double ticks = double(::sysconf(_SC_CLK_TCK));
    const double cpuSeconds = (fields.value(11).toDouble() + fields.value(12).toDouble()) / ticks;
    const double aliveSeconds =
        uptime.readAll().split(' ').value(0).toDouble() - fields.value(19).toDouble() / ticks;
    return aliveSeconds > 0 ? 100 * cpuSeconds / aliveSeconds : -1;
}

void ProcessTableTest::nativeCpuShareFollowsTheInterval()
{
    // The process spins for half a second of CPU time, however long a busy machine makes that
    // take, then rests. The first reading is the lifetime average, as ps shows it; the next ones
    // are the share since the reading before, which a lifetime average would take long to reach.
    ChildProcess spinner(python3(), {QStringLiteral("-c"),
                                     QStringLiteral("import time\nwhile time.process_time() < 0.5: pass\n"
                                                    "print('ready', flush=True)\ntime.sleep(30)\n")});
    QVERIFY(spinner.waitUntilReady());
    LinuxProcessTable table;
    const QString pid = QString::number(spinner.pid());
    const double before = kernelLifetimeShare(spinner.pid());
    const QString lifetime = table.reading(pid, QString())->cpu;
    const double after = kernelLifetimeShare(spinner.pid());
    QVERIFY2(
        before > 0 && lifetime.toDouble() <= before + 0.1 && lifetime.toDouble() >= after - 0.1,
        qPrintable(QStringLiteral("%1 not within the kernel's %2..%3").arg(lifetime).arg(after).arg(before)));
    // Readings closer together than the clock can tell apart repeat the last share.
    QCOMPARE(table.reading(pid, QString())->cpu, lifetime);
    // A resting process has no share of the interval, however busy the machine.
    QTRY_VERIFY_WITH_TIMEOUT(table.reading(pid, QString()).value_or(ProcessReading()).cpu.toDouble() < 1,
                             5000);
}

QTEST_GUILESS_MAIN(ProcessTableTest)
#include "tst_processtable.moc"
