#include "platform/ListeningSocket.h"
#include "platform/ProcessSystemTools.h"
#include "platform/commands/LsofListingSource.h"
#include "platform/linux/LsofCommandName.h"
#include "platform/linux/ProcNetListingSource.h"
#include "support/RecordingSystemTools.h"
#include "support/TestProcesses.h"

#include <QTest>

using namespace tidewell;
using namespace tidewell::test;

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
        text += QStringLiteral("%1 %2 %3\n").arg(row.command, row.pid, row.name).toUtf8();
    return text;
}

} // namespace

class ListeningTest : public QObject
{
    Q_OBJECT
private slots:
    void readsTheLsofListing();
    void escapesCommandNamesLikeLsof_data();
    void escapesCommandNamesLikeLsof();
    void readsListeningRowsOfTcpTables_data();
    void readsListeningRowsOfTcpTables();
    void nativeListingAgreesWithLsof();
    void socketDiagnosticsAgreeWithProcNet();
};

void ListeningTest::readsTheLsofListing()
{
    const QByteArray header = "COMMAND PID USER FD TYPE DEVICE SIZE/OFF NODE NAME\n";
    const QByteArray line = "postgres 9 u 5u IPv4 1 0t0 TCP 127.0.0.1:5432 (LISTEN)\n";
    auto tools = std::make_shared<RecordingSystemTools>();
    tools->setOutput(header + line + "\n\nshort line\n" + line);
    const ListeningSocket row{QStringLiteral("postgres"), QStringLiteral("9"),
                              QStringLiteral("127.0.0.1:5432")};
    QCOMPARE(LsofListingSource(tools).listeningSockets(), (QList<ListeningSocket>{row, row}));
    const auto calls = tools->calls();
    QCOMPARE(calls.size(), 1);
    QCOMPARE(calls[0].program, QStringLiteral("/bin/zsh"));
    QCOMPARE(calls[0].arguments,
             (QStringList{QStringLiteral("-c"), QStringLiteral("lsof -iTCP -sTCP:LISTEN -n -P")}));
    // Whatever the first line holds, it is the header; one line that is not UTF-8 spoils all.
    QVERIFY(parseLsofListing(line).isEmpty());
    QVERIFY(parseLsofListing(header + line + "caf\xe9 1 u 3u IPv4 1 0t0 TCP *:1\n").isEmpty());
}

void ListeningTest::escapesCommandNamesLikeLsof_data()
{
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<QString>("listed");
    QTest::newRow("short") << QByteArray("node") << QStringLiteral("node");
    QTest::newRow("space inside") << QByteArray("Code Helper") << QStringLiteral("Code\\x20H");
    QTest::newRow("fifteen") << QByteArray("abcdefghijklmno") << QStringLiteral("abcdefghi");
    QTest::newRow("escape that would cross the cut") << QByteArray("abcdefg x") << QStringLiteral("abcdefg");
    QTest::newRow("backslash") << QByteArray("a\\b") << QStringLiteral("a\\\\b");
    QTest::newRow("tab") << QByteArray("a\tb") << QStringLiteral("a\\tb");
    QTest::newRow("newline") << QByteArray("a\nb") << QStringLiteral("a\\nb");
    QTest::newRow("control") << QByteArray("x\x01y") << QStringLiteral("x^Ay");
    QTest::newRow("delete") << QByteArray("a\x7f") << QStringLiteral("a\\x7f");
    QTest::newRow("utf-8 bytes") << QByteArray("caf\xc3\xa9") << QStringLiteral("caf\\xc3");
    QTest::newRow("not utf-8") << QByteArray("a\xff") << QStringLiteral("a\\xff");
}

void ListeningTest::escapesCommandNamesLikeLsof()
{
    QFETCH(QByteArray, raw);
    QTEST(lsofCommandName(raw), "listed");
}

void ListeningTest::readsListeningRowsOfTcpTables_data()
{
    QTest::addColumn<bool>("ipv6");
    QTest::addColumn<QByteArray>("local");
    QTest::addColumn<QByteArray>("state");
    QTest::addColumn<QString>("name"); // empty when the row is not listed
    QTest::newRow("any") << false << QByteArray("00000000:0BB8") << QByteArray("0A")
                         << QStringLiteral("*:3000");
    QTest::newRow("loopback") << false << QByteArray("0100007F:1538") << QByteArray("0A")
                              << QStringLiteral("127.0.0.1:5432");
    QTest::newRow("established") << false << QByteArray("0100007F:1539") << QByteArray("01") << QString();
    QTest::newRow("v6 any") << true << QByteArray("00000000000000000000000000000000:1F90") << QByteArray("0A")
                            << QStringLiteral("*:8080");
    QTest::newRow("v6 loopback") << true << QByteArray("00000000000000000000000001000000:1F91")
                                 << QByteArray("0A") << QStringLiteral("[::1]:8081");
    QTest::newRow("v4-mapped") << true << QByteArray("0000000000000000FFFF00000100007F:1F92")
                               << QByteArray("0A") << QStringLiteral("127.0.0.1:8082");
    QTest::newRow("v4 address in the v6 table")
        << true << QByteArray("0100007F:1F93") << QByteArray("0A") << QString();
}

void ListeningTest::readsListeningRowsOfTcpTables()
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

void ListeningTest::nativeListingAgreesWithLsof()
{
    if (findProgram(QStringLiteral("lsof")).isEmpty() || !QFile::exists(QStringLiteral("/bin/zsh")))
        QSKIP("lsof or /bin/zsh is not installed: the native listing cannot be compared with lsof here");

    const auto bind = [](const char* first, const char* second) {
        return QStringList{QStringLiteral("--bind"), QString::fromLatin1(first), QStringLiteral("--bind"),
                           QString::fromLatin1(second)};
    };
    const QList<QStringList> listeners{
        {QStringLiteral("--name"), QStringLiteral("Code Helper")},
        {QStringLiteral("--name"), QStringLiteral("a b")},
        {QStringLiteral("--name"), QStringLiteral("abcdefghijklmno")},
        {QStringLiteral("--name"), QStringLiteral("caf\u00e9\\x\ty")},
        bind("127.0.0.1:0", "[::1]:0") + QStringList{QStringLiteral("--same-port")},
        bind("127.0.0.1:0", "127.0.0.2:0") + QStringList{QStringLiteral("--same-port")},
        bind("0.0.0.0:0", "[::]:0"),
    };
    std::vector<std::unique_ptr<ChildProcess>> children;
    QList<qint64> pids;
    for (const QStringList& options : listeners) {
        children.push_back(startListener(options));
        QVERIFY2(children.back()->waitUntilReady(), qPrintable(options.join(QLatin1Char(' '))));
        pids.append(children.back()->pid());
    }

    const auto native = rowsOf(ProcNetListingSource().listeningSockets(), pids);
    auto tools = std::make_shared<ProcessSystemTools>();
    const auto lsof = rowsOf(LsofListingSource(tools).listeningSockets(), pids);
    QCOMPARE(native.size(), 10);
    QVERIFY2(native == lsof, describe(native) + "--- lsof:\n" + describe(lsof));
    QVERIFY(std::any_of(native.cbegin(), native.cend(), [](const ListeningSocket& row) {
        return row.command == QStringLiteral("Code\\x20H");
    }));

    // /proc/PID/stat puts the name in parentheses, and a name may hold its own. lsof itself cuts
    // such a name at its first ")"; ours keeps it, as the kernel has it.
    auto parenthesised = startListener({QStringLiteral("--name"), QStringLiteral("up) 1 (2")});
    QVERIFY(parenthesised->waitUntilReady());
    const auto rows = rowsOf(ProcNetListingSource().listeningSockets(), {parenthesised->pid()});
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.first().command, QStringLiteral("up)\\x201"));
}

void ListeningTest::socketDiagnosticsAgreeWithProcNet()
{
    auto dual =
        startListener({QStringLiteral("--bind"), QStringLiteral("0.0.0.0:0"), QStringLiteral("--bind"),
                       QStringLiteral("[::1]:0"), QStringLiteral("--bind"), QStringLiteral("127.0.0.3:0")});
    QVERIFY(dual->waitUntilReady());
    const auto fromNetlink = ProcNetListingSource::listeningNamesFromNetlink();
    if (!fromNetlink)
        QSKIP("socket diagnostics are not available here; the listing reads /proc/net instead");
    const auto fromProcNet = ProcNetListingSource::listeningNamesFromProcNet();
    QStringList ours;
    for (const int port : dual->ports()) {
        for (auto it = fromNetlink->cbegin(); it != fromNetlink->cend(); ++it) {
            if (it.value().endsWith(QLatin1Char(':') + QString::number(port))) {
                ours.append(it.value());
                QCOMPARE(fromProcNet.value(it.key()), it.value());
            }
        }
    }
    ours.sort();
    QCOMPARE(ours, (QStringList{QStringLiteral("*:%1").arg(dual->ports()[0]),
                                QStringLiteral("127.0.0.3:%1").arg(dual->ports()[2]),
                                QStringLiteral("[::1]:%1").arg(dual->ports()[1])}));
}

QTEST_GUILESS_MAIN(ListeningTest)
#include "tst_listening.moc"
