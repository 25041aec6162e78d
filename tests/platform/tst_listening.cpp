#include "platform/ListeningSocket.h"
#include "platform/ProcessSystemTools.h"
#include "platform/commands/LsofListingSource.h"
#include "platform/linux/LsofCommandName.h"
#include "platform/linux/ProcNetListingSource.h"
#include "support/TestProcesses.h"

#include <QDir>
#include <QScopeGuard>
#include <QTest>

#include <csignal>
#include <unistd.h>

using namespace tidewell;
using namespace tidewell::test;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(QList<tidewell::ListeningSocket>)

namespace {

QList<ListeningSocket> rowsOf(const QList<ListeningSocket>& rows, const QList<qint64>& pids)
{
    QList<ListeningSocket> mine;
    for (const ListeningSocket& row : rows) {
        if (pids.contains(row.pid.toLongLong()))
            mine.append(row);
    }
    return mine;
}

QByteArray describe(const QList<ListeningSocket>& rows)
{
    QByteArray text;
    for (const ListeningSocket& row : rows)
        text += u"%1 %2 %3\n"_s.arg(row.command, row.pid, row.name).toUtf8();
    return text;
}

} // namespace

class ListeningTest : public QObject
{
    Q_OBJECT
private slots:
    void escapesCommandNamesLikeLsof_data()
    {
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<QString>("listed");
        // A space and the cut at nine are compared with lsof itself below.
        QTest::newRow("short") << QByteArray("node") << u"node"_s;
        QTest::newRow("escape that would cross the cut") << QByteArray("abcdefg x") << u"abcdefg"_s;
        QTest::newRow("backslash") << QByteArray("a\\b") << u"a\\\\b"_s;
        QTest::newRow("tab") << QByteArray("a\tb") << u"a\\tb"_s;
        QTest::newRow("control") << QByteArray("x\x01y") << u"x^Ay"_s;
        QTest::newRow("delete") << QByteArray("a\x7f") << u"a\\x7f"_s;
        QTest::newRow("not utf-8") << QByteArray("a\xff") << u"a\\xff"_s;
    }

    void escapesCommandNamesLikeLsof()
    {
        QFETCH(QByteArray, raw);
        QTEST(lsofCommandName(raw), "listed");
    }

    void readsListeningRowsOfTcpTables_data()
    {
        QTest::addColumn<bool>("ipv6");
        QTest::addColumn<QByteArray>("local");
        QTest::addColumn<QByteArray>("state");
        QTest::addColumn<QString>("name"); // empty when the row is not listed
        QTest::newRow("any") << false << QByteArray("00000000:0BB8") << QByteArray("0A") << u"*:3000"_s;
        QTest::newRow("loopback") << false << QByteArray("0100007F:1538") << QByteArray("0A")
                                  << u"127.0.0.1:5432"_s;
        QTest::newRow("established") << false << QByteArray("0100007F:1539") << QByteArray("01") << QString();
        QTest::newRow("v6 any") << true << QByteArray("00000000000000000000000000000000:1F90")
                                << QByteArray("0A") << u"*:8080"_s;
        QTest::newRow("v6 loopback") << true << QByteArray("00000000000000000000000001000000:1F91")
                                     << QByteArray("0A") << u"[::1]:8081"_s;
        QTest::newRow("v4-mapped") << true << QByteArray("0000000000000000FFFF00000100007F:1F92")
                                   << QByteArray("0A") << u"127.0.0.1:8082"_s;
        QTest::newRow("v4 address in the v6 table")
            << true << QByteArray("0100007F:1F93") << QByteArray("0A") << QString();
    }

    void readsListeningRowsOfTcpTables()
    {
        QFETCH(bool, ipv6);
        QFETCH(QByteArray, local);
        QFETCH(QByteArray, state);
        QFETCH(QString, name);
        // The kernel's layout: header, then sl local rem st tx:rx tr:when retrnsmt uid timeout inode ...
        const QByteArray table =
            "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid\n"
            "   0: " +
            local + " 00000000:0000 " + state +
            " 00000000:00000000 00:00000000 00000000  1000        0 111 1 0 100 0 0 10 0\n"
            "   1: garbage\n";
        QHash<quint64, QString> expected;
        if (!name.isEmpty())
            expected.insert(111, name);
        QCOMPARE(ProcNetListingSource::parseTcpTable(table, ipv6), expected);
    }

    // One source kept over many calls, as the window's refreshes use it: after each change its rows are
    // those of lsof and of a source that walks every process afresh, for names lsof escapes or cuts and
    // sockets on several addresses.
    void listingAgreesWithLsofOverChanges()
    {
        if (findProgram(u"lsof"_s).isEmpty() || !QFile::exists(u"/bin/zsh"_s))
            QSKIP("lsof or /bin/zsh is not installed: the native listing cannot be compared with lsof here");
        auto tools = std::make_shared<ProcessSystemTools>();
        ProcNetListingSource steady;
        QList<qint64> pids;
        const auto agrees = [&] {
            const auto rows = rowsOf(steady.listeningSockets(), pids);
            const auto lsof = rowsOf(LsofListingSource(tools).listeningSockets(), pids);
            const auto cold = rowsOf(ProcNetListingSource().listeningSockets(), pids);
            if (rows == lsof && rows == cold)
                return true;
            qWarning().noquote() << describe(rows) + "--- lsof:\n" + describe(lsof) + "--- cold:\n" +
                                        describe(cold);
            return false;
        };
        steady.listeningSockets();
        QCOMPARE(steady.lastWalk(), SocketOwners::Walk::full);

        const auto bind = [](const char* first, const char* second) {
            return QStringList{u"--bind"_s, QString::fromLatin1(first), u"--bind"_s,
                               QString::fromLatin1(second)};
        };
        const QList<QStringList> listeners{
            {u"--name"_s, u"Code Helper"_s},
            {u"--name"_s, u"abcdefghijklmno"_s},
            {u"--name"_s, u"caf\u00e9\\x\ty"_s},
            bind("127.0.0.1:0", "[::1]:0") + QStringList{u"--same-port"_s},
            bind("127.0.0.1:0", "127.0.0.2:0") + QStringList{u"--same-port"_s},
            bind("0.0.0.0:0", "[::]:0"),
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
        for (const auto& child : children) {
            QVERIFY(child->waitUntilReady(60000));
            pids.append(child->pid());
        }
        ChildProcess& exiting = *children[children.size() - 2];
        ChildProcess& sharing = *children.back();
        QVERIFY(agrees());
        QCOMPARE(steady.lastWalk(), SocketOwners::Walk::partial);
        QCOMPARE(rowsOf(steady.listeningSockets(), pids).size(), 11);
        // Where socket diagnostics answer, the /proc/net tables (read where they do not) name each socket
        // alike.
        if (const auto netlink = ProcNetListingSource::listeningNamesFromNetlink()) {
            const auto procNet = ProcNetListingSource::listeningNamesFromProcNet();
            QStringList names;
            for (const ListeningSocket& row : rowsOf(steady.listeningSockets(), pids))
                names.append(row.name);
            int ours = 0;
            for (auto it = netlink->cbegin(); it != netlink->cend(); ++it) {
                if (names.contains(it.value())) {
                    QCOMPARE(procNet.value(it.key()), it.value());
                    ++ours;
                }
            }
            QCOMPARE(ours, 11);
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
        const auto rows = rowsOf(ProcNetListingSource().listeningSockets(), {parenthesised->pid()});
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.first().command, u"up)\\x201"_s);
    }
};

QTEST_GUILESS_MAIN(ListeningTest)
#include "tst_listening.moc"
