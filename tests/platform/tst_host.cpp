#include "platform/GitBranchReader.h"
#include "platform/ListeningSocket.h"
#include "platform/ProcessSystemTools.h"
#include "platform/ShellCommandLine.h"
#include "platform/commands/LsofListingSource.h"
#include "platform/commands/ShellProcessTable.h"
#include "platform/commands/ShellQuoting.h"
#include "platform/linux/KernelSocketListingSource.h"
#include "platform/linux/LinuxProcessTable.h"
#include "platform/linux/LsofCommandName.h"
#include "ports/DevServerTest.h"
#include "support/TestProcesses.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QtConcurrent>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tidewell;
using namespace tidewell::test;
using namespace Qt::StringLiterals;

namespace {

bool hasShellTools()
{
    return QFile::exists(u"/bin/zsh"_s) && !findProgram(u"lsof"_s).isEmpty() &&
           !findProgram(u"ps"_s).isEmpty();
}

std::shared_ptr<ShellProcessTable> shellTable()
{
    return std::make_shared<ShellProcessTable>(std::make_shared<ProcessSystemTools>());
}

// git's answer, or nothing when it fails.
std::optional<QString> git(const QString& folder, const QString& arguments)
{
    const ProgramRun run =
        runProgram(findProgram(u"git"_s), QStringList{u"-C"_s, folder, u"-c"_s, u"user.name=t"_s, u"-c"_s,
                                                      u"user.email=t@t.invalid"_s} +
                                              arguments.split(u' '));
    return run.exitCode == 0 ? std::optional(QString::fromUtf8(run.out).trimmed()) : std::nullopt;
}

// The kernel's own lifetime CPU share of a process, in percent: CPU time over time alive.
double kernelLifetimeShare(qint64 pid)
{
    const QByteArray stat = fileContent(u"/proc/%1/stat"_s.arg(pid));
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    const double ticks = double(::sysconf(_SC_CLK_TCK));
    const double alive =
        fileContent(u"/proc/uptime"_s).split(' ').value(0).toDouble() - fields.value(19).toDouble() / ticks;
    return alive > 0 ? 100 * (fields.value(11).toDouble() + fields.value(12).toDouble()) / ticks / alive : -1;
}

// The rows of `pids` as lsof prints their COMMAND, PID and NAME, with names cut as lsof cuts them.
QStringList rowsOf(const QList<ListeningSocket>& rows, const QList<qint64>& pids)
{
    QStringList mine;
    for (const ListeningSocket& row : rows) {
        if (pids.contains(row.pid.toLongLong()))
            mine.append(listingToolCut(row.command) + u' ' + row.pid + u' ' + row.name);
    }
    return mine;
}

} // namespace

// What the host reports of its listening sockets and processes, read natively and through commands,
// compared with lsof, ps and git on live processes.
class HostTest : public QObject
{
    Q_OBJECT
private slots:
    // The texts of the host read alone: command names escaped as lsof escapes them, the origin script's
    // output (folder, then command line), command lines that are shells, and the kernel's TCP tables.
    void readsHostTexts_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("read"); // for an origin "folder|command", empty when there is none
        const auto row = [](const char* name, const char* kind, const QByteArray& text, const QString& read) {
            QTest::newRow(name) << QString::fromLatin1(kind) << text << read;
        };
        // A space and the cut at nine are compared with lsof itself below.
        row("escape that would cross the cut", "name", "abcdefg x", u"abcdefg"_s);
        row("backslash", "name", "a\\b", u"a\\\\b"_s);
        row("tab", "name", "a\tb", u"a\\tb"_s);
        row("control", "name", "x\x01y", u"x^Ay"_s);
        row("delete", "name", "a\x7f", u"a\\x7f"_s);
        row("name not utf-8", "name", "a\xff", u"a\\xff"_s);
        row("three lines", "origin", "/a\nnode x\nmore\n", u"/a|node x"_s);
        row("blank lines dropped", "origin", "\n/a\n\nnode x", u"/a|node x"_s);
        row("spaces kept", "origin", " /a \n node x \n", u" /a | node x "_s);
        row("listener is a shell", "origin", "\n\n", QString());
        row("origin not utf-8", "origin", "/caf\xe9\nnode x\n", QString());
        row("zsh login", "shell", "/bin/zsh -il", u"true"_s);
        row("sh -c", "shell", "/bin/sh -c npm run dev", u"true"_s);
        row("bash alone", "shell", "/usr/bin/bash", u"true"_s);
        row("fish", "shell", "/opt/homebrew/bin/fish", u"true"_s);
        row("dash login without slash", "shell", "-zsh", u"false"_s);
        row("shell word inside a name", "shell", "/usr/bin/bashful", u"false"_s);
        row("shell name then digit or underscore", "shell", "/opt/ksh2 /x/sh_y", u"false"_s);
        row("shell after another slash", "shell", "env /x/tcsh;", u"true"_s);
        // A /proc/net/tcp row's local address and state: listening rows only, by their address.
        row("any", "tcp", "00000000:0BB8 0A", u"*:3000"_s);
        row("loopback", "tcp", "0100007F:1538 0A", u"127.0.0.1:5432"_s);
        row("established", "tcp", "0100007F:1539 01", QString());
        row("v6 any", "tcp6", "00000000000000000000000000000000:1F90 0A", u"*:8080"_s);
        row("v6 loopback", "tcp6", "00000000000000000000000001000000:1F91 0A", u"[::1]:8081"_s);
        row("v4-mapped", "tcp6", "0000000000000000FFFF00000100007F:1F92 0A", u"127.0.0.1:8082"_s);
        row("v4 address in the v6 table", "tcp6", "0100007F:1F93 0A", QString());
    }

    void readsHostTexts()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, text);
        QString read;
        if (kind == u"name"_s) {
            read = lsofCommandName(text);
        } else if (kind == u"shell"_s) {
            read = looksLikeShell(QString::fromUtf8(text)) ? u"true"_s : u"false"_s;
        } else if (kind.startsWith(u"tcp"_s)) {
            // The kernel's layout: header, then sl local rem st tx:rx tr:when retrnsmt uid timeout inode
            const QByteArray table =
                "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid\n"
                "   0: " +
                text.split(' ').value(0) + " 00000000:0000 " + text.split(' ').value(1) +
                " 00000000:00000000 00:00000000 00000000  1000        0 111 1 0 100 0 0 10 0\n"
                "   1: garbage\n";
            const auto parsed = KernelSocketListingSource::parseTcpTable(table, kind == u"tcp6"_s);
            QCOMPARE(parsed.size(), parsed.contains(111) ? 1 : 0);
            read = parsed.value(111);
        } else if (const auto origin = ShellProcessTable::parseOriginOutput(text)) {
            read = origin->cwd + u'|' + origin->cmd;
        }
        QTEST(read, "read");
    }

    // One source kept over many calls, as the window's refreshes use it: after each change its rows are
    // those of lsof and of a fresh source, for names lsof escapes or cuts, sockets on several addresses, and
    // a reloader that hands its socket to a child, found with both holders by a walk of only the newest pids.
    void listingAgreesWithLsofOverChanges()
    {
        if (!hasShellTools())
            QSKIP("zsh, lsof or ps is not installed: the native listing cannot be compared with lsof here");
        auto tools = std::make_shared<ProcessSystemTools>();
        KernelSocketListingSource steady;
        QList<qint64> pids;
        const auto agrees = [&] {
            const auto rows = rowsOf(steady.listeningSockets(), pids);
            const auto lsof = rowsOf(LsofListingSource(tools).listeningSockets(), pids);
            const auto cold = rowsOf(KernelSocketListingSource().listeningSockets(), pids);
            if (rows == lsof && rows == cold)
                return true;
            qWarning() << rows << "lsof:" << lsof << "cold:" << cold;
            return false;
        };
        steady.listeningSockets();
        QCOMPARE(steady.lastWalk(), SocketOwners::Walk::full);
        const QList<QStringList> listeners{
            {u"--name"_s, u"Code Helper"_s},
            {u"--name"_s, u"abcdefghijklmno"_s},
            {u"--name"_s, u"caf\u00e9\\x\ty"_s},
            {u"--bind"_s, u"127.0.0.1:0"_s, u"--bind"_s, u"[::1]:0"_s, u"--same-port"_s},
            {u"--bind"_s, u"127.0.0.1:0"_s, u"--bind"_s, u"127.0.0.2:0"_s, u"--same-port"_s},
            {u"--bind"_s, u"0.0.0.0:0"_s, u"--bind"_s, u"[::]:0"_s},
        };
        // A listener that forks on its first input line; the parent exits after it when told to.
        const QString forking = u"import os, socket, sys, time\n"
                                "s = socket.socket(); s.bind(('127.0.0.1', 0)); s.listen()\n"
                                "print('ready', s.getsockname()[1], flush=True)\n"
                                "line = sys.stdin.readline().strip()\n"
                                "if os.fork() == 0 or line == 'keep': time.sleep(600)\n"_s;
        std::vector<std::unique_ptr<ChildProcess>> children;
        // The forked children outlive their parents and would keep the test's output open.
        QList<qint64> forked;
        const auto killForked = qScopeGuard([&] {
            for (const qint64 pid : std::as_const(forked))
                ::kill(pid_t(pid), SIGKILL);
        });
        for (const QStringList& options : listeners)
            children.push_back(startListener(options));
        for (int i = 0; i < 2; ++i)
            children.push_back(std::make_unique<ChildProcess>(python3(), QStringList{u"-c"_s, forking}));
        const QString reloader = u"import os, socket, time\n"
                                 "s = socket.socket(); s.bind(('127.0.0.1', 0)); s.listen()\n"
                                 "if os.fork() == 0: print('ready', s.getsockname()[1], flush=True)\n"
                                 "time.sleep(600)\n"_s;
        ChildProcess reloading(python3(), {u"-c"_s, reloader});
        for (const auto& child : children) {
            QVERIFY(child->waitUntilReady(60000));
            pids.append(child->pid());
        }
        QVERIFY(reloading.waitUntilReady(60000));
        QTRY_VERIFY(!childPids(reloading.pid()).isEmpty());
        forked.append(childPids(reloading.pid()).first());
        pids << reloading.pid() << forked.first();
        ChildProcess& exiting = *children[children.size() - 2];
        ChildProcess& sharing = *children.back();
        QVERIFY(agrees());
        QCOMPARE(steady.lastWalk(), SocketOwners::Walk::partial);
        // Whole, where lsof cuts them at nine; and each with the interpreter it runs.
        QStringList whole;
        for (const ListeningSocket& row : steady.listeningSockets()) {
            if (row.pid.toLongLong() == pids.at(0) || row.pid.toLongLong() == pids.at(1))
                whole.append(row.command + u' ' + QFileInfo(row.executable).fileName().left(6));
        }
        QCOMPARE(whole, (QStringList{u"Code\\x20Helper python"_s, u"abcdefghijklmno python"_s}));
        QCOMPARE(rowsOf(steady.listeningSockets(), pids).size(), 13);
        // Where socket diagnostics answer, the /proc/net tables (read where they do not) name each socket
        // alike.
        if (const auto netlink = KernelSocketListingSource::listeningNamesFromNetlink()) {
            const auto procNet = KernelSocketListingSource::listeningNamesFromProcNet();
            QStringList names;
            for (const QString& row : rowsOf(steady.listeningSockets(), pids))
                names.append(row.section(u' ', -1));
            int ours = 0;
            for (auto it = netlink->cbegin(); it != netlink->cend(); ++it) {
                if (names.contains(it.value())) {
                    QCOMPARE(procNet.value(it.key()), it.value());
                    ++ours;
                }
            }
            QCOMPARE(ours, 12);
        }
        QVERIFY(agrees());
        QCOMPARE(steady.lastWalk(), SocketOwners::Walk::none);
        // The process lsof names, besides `parent`, as holding the forking listener's socket.
        const auto forkedHolder = [&](const ChildProcess& parent) {
            const QString name = u"127.0.0.1:%1"_s.arg(parent.port());
            for (const ListeningSocket& row : LsofListingSource(tools).listeningSockets()) {
                if (row.name == name && row.pid.toLongLong() != parent.pid())
                    return row.pid.toLongLong();
            }
            return qint64(0);
        };
        // A server that stops; then, with the same sockets listening, one whose owner exits and
        // leaves it to its child.
        children[0]->kill();
        QVERIFY(agrees());
        exiting.process().write("exit\n");
        QVERIFY(exiting.process().waitForFinished(60000));
        pids.append(forkedHolder(exiting));
        QVERIFY(pids.last() != 0);
        forked.append(pids.last());
        QVERIFY(agrees());
        // A socket shared with a child while its owner lives on is found by a full walk, at the
        // latest the tenth call from the last.
        sharing.process().write("keep\n");
        QTRY_VERIFY(forkedHolder(sharing) != 0);
        pids.append(forkedHolder(sharing));
        forked.append(pids.last());
        int calls = 1;
        while (rowsOf(steady.listeningSockets(), {pids.last()}).isEmpty() && calls <= 20)
            ++calls;
        QVERIFY2(calls <= SocketOwners::kDefaultFullWalkEvery, qPrintable(QString::number(calls)));
        QVERIFY(agrees());
        // /proc/PID/stat puts the name in parentheses, and a name may hold its own. lsof itself cuts
        // such a name at its first ")"; ours keeps it, as the kernel has it.
        auto parenthesised = startListener({u"--name"_s, u"up) 1 (2"_s});
        QVERIFY(parenthesised->waitUntilReady());
        QCOMPARE(
            rowsOf(KernelSocketListingSource().listeningSockets(), {parenthesised->pid()}),
            QStringList{u"up)\\x201 %1 127.0.0.1:%2"_s.arg(parenthesised->pid()).arg(parenthesised->port())});
    }

    void hostileInputRunsNothing_data()
    {
        QTest::addColumn<QString>("pid");
        QTest::addColumn<QString>("cwd");
        QTest::newRow("command substitution") << u"$(touch %1)"_s << u"/tmp"_s;
        QTest::newRow("separator") << u"1; touch %1"_s << u"/tmp"_s;
        QTest::newRow("backticks in folder") << u"1"_s << u"/tmp/`touch %1`"_s;
        QTest::newRow("quote in folder") << u"1"_s << u"/tmp/'; touch %1; '"_s;
    }

    void hostileInputRunsNothing()
    {
        if (!hasShellTools())
            QSKIP("zsh, lsof or ps is not installed");
        QFETCH(QString, pid);
        QFETCH(QString, cwd);
        QTemporaryDir dir;
        const QString witness = dir.filePath(u"ran"_s);
        pid = pid.arg(witness);
        cwd = cwd.arg(witness);
        QVERIFY(!shellTable()->origin(pid));
        shellTable()->reading(pid, cwd);
        QVERIFY2(!QFile::exists(witness), "a text from the process table was run as a command");
    }

    void originsOfLiveProcesses_data()
    {
        QTest::addColumn<QString>("shell");
        QTest::addColumn<bool>("throughRunner");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("scriptedFolder"); // what the script reports; empty: not compared
        QTest::addColumn<QString>("moveTo");         // how the server leaves the shell's folder for "sub"
        QTest::newRow("listener under a runner under sh")
            << u"exec /bin/sh"_s << true << u"a b"_s << u"a b"_s << QString();
        // The script joins the folder's words with single spaces: a folder not to copy.
        QTest::newRow("two spaces") << u"exec /bin/bash"_s << false << u"two  spaces"_s << u"two spaces"_s
                                    << QString();
        // Terminals start the shell under its bare name, as "exec -a" does here.
        QTest::newRow("shell started by name")
            << u"exec -a bash /bin/bash"_s << false << u"x"_s << QString() << QString();
        // The folder is the server's own, not the shell's.
        QTest::newRow("cd, then exec") << u"exec /bin/bash"_s << false << u"p"_s << u"p/sub"_s << u"cd"_s;
        QTest::newRow("env -C") << u"exec /bin/bash"_s << false << u"p"_s << u"p/sub"_s << u"env"_s;
    }

    // The origin is the folder and command line of what the shell started; /proc and the script agree.
    void originsOfLiveProcesses()
    {
        QFETCH(QString, shell);
        QFETCH(bool, throughRunner);
        QFETCH(QString, folder);
        QFETCH(QString, scriptedFolder);
        QFETCH(QString, moveTo);
        QTemporaryDir dir;
        const QString serverFolder = moveTo.isEmpty() ? folder : folder + u"/sub"_s;
        QVERIFY(QDir(dir.path()).mkpath(serverFolder));
        // A runner stands for a package script runner: a non-shell process between shell and server.
        QString script = shellQuoted(python3()) + u' ' + shellQuoted(listenerScript());
        if (throughRunner)
            script = shellQuoted(python3()) +
                     u" -c 'import subprocess, sys; subprocess.run(sys.argv[1:])' "_s + script;
        if (moveTo == u"cd"_s)
            script = u"/bin/bash -c "_s + shellQuoted(u"cd sub && exec "_s + script);
        else if (moveTo == u"env"_s)
            script = u"env -C sub "_s + script;
        ChildProcess child(u"/bin/bash"_s,
                           {u"-c"_s, shell + u" -c "_s + shellQuoted(script + u"; exit $?"_s)},
                           dir.filePath(folder));
        QVERIFY(child.waitUntilReady());
        const qint64 started = childPids(child.pid()).value(0);
        const qint64 listener = throughRunner ? childPids(started).value(0) : started;
        const auto native = LinuxProcessTable().origin(QString::number(listener));
        QVERIFY(native);
        QCOMPARE(native->cwd, dir.filePath(serverFolder));
        QCOMPARE(native->cmd, LinuxProcessTable::commandLine(started));
        if (hasShellTools() && !scriptedFolder.isEmpty()) {
            const auto scripted = shellTable()->origin(QString::number(listener));
            QCOMPARE(scripted, std::optional(ProcessInfo{dir.filePath(scriptedFolder), native->cmd}));
        }
    }

    void processWithoutShellHasNoOrigin()
    {
        // Detached twice over, the listener's parent becomes the machine's init process, as for a
        // server that the service manager started.
        QTemporaryDir dir;
        const QString pidFile = dir.filePath(u"pid"_s);
        const QString program = u"import os, sys, time\n"
                                "if os.fork(): sys.exit(0)\n"
                                "os.setsid()\n"
                                "if os.fork(): sys.exit(0)\n"
                                "open(sys.argv[1], 'w').write(str(os.getpid()))\n"
                                "time.sleep(30)\n"_s;
        QProcess::execute(python3(), {u"-c"_s, program, pidFile});
        QTRY_VERIFY(QFile(pidFile).size() > 0);
        const QString pid = QString::fromUtf8(fileContent(pidFile));
        auto cleanup = qScopeGuard([&] { QProcess::execute(u"kill"_s, {pid}); });
        QCOMPARE(LinuxProcessTable().origin(pid), std::optional<ProcessInfo>());
        if (hasShellTools())
            QCOMPARE(shellTable()->origin(pid), std::optional<ProcessInfo>());
        QCOMPARE(LinuxProcessTable().origin(u"999999999"_s), std::optional<ProcessInfo>());
    }

    void gitBranchMatchesGit()
    {
        if (findProgram(u"git"_s).isEmpty())
            QSKIP("git is not installed");
        QTemporaryDir dir;
        const QString repo = dir.filePath(u"repo"_s);
        const QString worktree = dir.filePath(u"linked tree"_s);
        const QString nested = repo + u"/src/deep"_s;
        QVERIFY(QDir().mkpath(nested));
        QVERIFY(git(repo, u"init -q -b feature/x"_s));
        QVERIFY(git(repo, u"commit -q --allow-empty -m start"_s));
        QCOMPARE(QProcess::execute(u"git"_s, {u"-C"_s, repo, u"worktree"_s, u"add"_s, u"-q"_s, u"-b"_s,
                                              u"other"_s, worktree}),
                 0);
        for (const QString& folder : {repo, nested, worktree, dir.path(), dir.filePath(u"gone"_s)})
            QVERIFY2(currentGitBranch(folder) == git(folder, u"branch --show-current"_s).value_or(QString()),
                     qPrintable(folder));
        QVERIFY(git(repo, u"checkout -q --detach"_s));
        QCOMPARE(currentGitBranch(repo), QString());
    }

    void branchReadNeverBlocks_data()
    {
        QTest::addColumn<bool>("linked"); // ".git" is a file naming the git directory
        QTest::newRow("HEAD is a FIFO") << false;
        QTest::newRow("linked worktree's HEAD is a FIFO") << true;
    }

    void branchReadNeverBlocks()
    {
        QFETCH(bool, linked);
        QTemporaryDir dir;
        const QString repo = dir.filePath(u"repo"_s);
        const QString gitDir = linked ? dir.filePath(u"real"_s) : repo + u"/.git"_s;
        QVERIFY(QDir().mkpath(repo) && QDir().mkpath(gitDir));
        QVERIFY(!linked || writeFile(repo + u"/.git"_s, "gitdir: ../real\n"));
        const QByteArray fifo = QFile::encodeName(gitDir + u"/HEAD"_s);
        QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
        GitBranchReader reader;
        QFuture<QString> branch = QtConcurrent::run([&reader, repo] { return reader.currentBranch(repo); });
        // A read stuck in open() is let go at the end, so that the test itself ends.
        const auto unstick = qScopeGuard([&] {
            for (; !branch.isFinished(); QTest::qWait(10))
                ::close(::open(fifo.constData(), O_WRONLY | O_NONBLOCK));
        });
        QTRY_VERIFY_WITH_TIMEOUT(branch.isFinished(), 5000);
        QCOMPARE(branch.result(), QString());
    }

    void branchIsReadAgainOnlyWhenHeadChanges()
    {
        QTemporaryDir dir;
        const QString deep = dir.filePath(u"repo/src/deep"_s);
        QVERIFY(QDir().mkpath(deep) && QDir().mkpath(dir.filePath(u"repo/.git"_s)));
        const auto writeHead = [](const QString& path, const QByteArray& branch, const QDateTime& modified) {
            QFile file(path);
            return file.open(QIODevice::WriteOnly) && file.write("ref: refs/heads/" + branch + '\n') > 0 &&
                   file.flush() && file.setFileTime(modified, QFileDevice::FileModificationTime);
        };
        const QString head = dir.filePath(u"repo/.git/HEAD"_s);
        const QDateTime then = QDateTime::currentDateTime().addSecs(-60);
        QVERIFY(writeHead(head, "aaaa", then));
        GitBranchReader reader(3'600'000);
        QCOMPARE(reader.currentBranch(deep), u"aaaa"_s);
        // Same size, same time, same file: not read again.
        QVERIFY(writeHead(head, "bbbb", then));
        QCOMPARE(reader.currentBranch(deep), u"aaaa"_s);
        QVERIFY(writeHead(head, "bbbb", then.addSecs(1)));
        QCOMPARE(reader.currentBranch(deep), u"bbbb"_s);
        // The repository found is kept until it is looked for again, or until it goes.
        QVERIFY(QDir().mkpath(deep + u"/.git"_s) && writeHead(deep + u"/.git/HEAD"_s, "cccc", then));
        QCOMPARE(reader.currentBranch(deep), u"bbbb"_s);
        QCOMPARE(GitBranchReader(0).currentBranch(deep), u"cccc"_s);
        QVERIFY(QDir(dir.filePath(u"repo/.git"_s)).removeRecursively());
        QCOMPARE(reader.currentBranch(deep), u"cccc"_s);
    }

    void readingsAgreeOnALiveProcess()
    {
        if (!hasShellTools() || findProgram(u"git"_s).isEmpty())
            QSKIP("zsh, lsof, ps or git is not installed");
        QTemporaryDir dir;
        QVERIFY(git(dir.path(), u"init -q -b main"_s));
        auto child = startListener({}, dir.path());
        QVERIFY(child->waitUntilReady());
        const QString pid = QString::number(child->pid());
        const auto native = LinuxProcessTable().reading(pid, dir.path());
        const auto scripted = shellTable()->reading(pid, dir.path());
        QVERIFY(native && scripted);
        QCOMPARE(native->gitBranch, u"main"_s);
        QCOMPARE(scripted->gitBranch, native->gitBranch);
        const double nativeRss = native->rssKilobytes.toDouble();
        const double scriptedRss = scripted->rssKilobytes.toDouble();
        QVERIFY2(nativeRss > 1000 && qAbs(nativeRss - scriptedRss) / scriptedRss < 0.2,
                 qPrintable(native->rssKilobytes + u" vs "_s + scripted->rssKilobytes));
        QCOMPARE(native->mem, scripted->mem);
        child->kill();
        QVERIFY(!LinuxProcessTable().reading(pid, dir.path()));
        QVERIFY(!shellTable()->reading(pid, dir.path()));
    }

    void nativeCpuShareFollowsTheInterval()
    {
        // The process spins for half a second of CPU time, however long a busy machine makes that
        // take, then rests. The first reading is the lifetime average, as ps shows it; the next ones
        // are the share since the reading before, which a lifetime average would take long to reach.
        ChildProcess spinner(python3(), {u"-c"_s, u"import time\nwhile time.process_time() < 0.5: pass\n"
                                                  "print('ready', flush=True)\ntime.sleep(30)\n"_s});
        QVERIFY(spinner.waitUntilReady());
        LinuxProcessTable table;
        const QString pid = QString::number(spinner.pid());
        const double before = kernelLifetimeShare(spinner.pid());
        const QString lifetime = table.reading(pid, QString())->cpu;
        const double after = kernelLifetimeShare(spinner.pid());
        QVERIFY2(before > 0 && lifetime.toDouble() <= before + 0.1 && lifetime.toDouble() >= after - 0.1,
                 qPrintable(u"%1 not within the kernel's %2..%3"_s.arg(lifetime).arg(after).arg(before)));
        // Readings closer together than the clock can tell apart repeat the last share.
        QCOMPARE(table.reading(pid, QString())->cpu, lifetime);
        // A resting process has no share of the interval, however busy the machine.
        QTRY_VERIFY_WITH_TIMEOUT(table.reading(pid, QString()).value_or(ProcessReading()).cpu.toDouble() < 1,
                                 5000);
    }
};

QTEST_GUILESS_MAIN(HostTest)
#include "tst_host.moc"
