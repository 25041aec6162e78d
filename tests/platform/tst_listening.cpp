#include "platform/ListeningSocket.h"
#include "platform/LsofListingSource.h"
#include "platform/ProcessSystemTools.h"
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
        text += (row.command + QLatin1Char(' ') + row.pid + QLatin1Char(' ') + row.name + QLatin1Char('\n'))
                    .toUtf8();
    return text;
}

} // namespace

class ListeningTest : public QObject
{
    Q_OBJECT
private slots:
    void listingNeedsValidUtf8AndSkipsTheHeader();
    void runsTheListingCommandThroughZsh();
    void escapesCommandNamesLikeLsof_data();
    void escapesCommandNamesLikeLsof();
    void readsListeningRowsOfTcpTables();
    void nativeListingAgreesWithLsof();
    void socketDiagnosticsAgreeWithProcNet();
};

void ListeningTest::listingNeedsValidUtf8AndSkipsTheHeader()
{
    const QByteArray header = "COMMAND PID USER FD TYPE DEVICE SIZE/OFF NODE NAME\n";
    const QByteArray line = "node 1 u 3u IPv4 1 0t0 TCP *:3000 (LISTEN)\n";
    QVERIFY(parseLsofListing(header).isEmpty());
    QVERIFY(parseLsofListing(QByteArray()).isEmpty());
    // Whatever the first line holds, it is the header.
    QVERIFY(parseLsofListing(line).isEmpty());
    QCOMPARE(parseLsofListing(header + line + "\n\nshort line\n" + line).size(), 2);
    QVERIFY(parseLsofListing(header + line + "caf\xe9 1 u 3u IPv4 1 0t0 TCP *:1\n").isEmpty());
}

void ListeningTest::runsTheListingCommandThroughZsh()
{
    auto tools = std::make_shared<RecordingSystemTools>();
    tools->setOutput("COMMAND PID USER FD TYPE DEVICE SIZE/OFF NODE NAME\n"
                     "postgres 9 u 5u IPv4 1 0t0 TCP 127.0.0.1:5432 (LISTEN)\n");
    const auto rows = LsofListingSource(tools).listeningSockets();
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0].name, QStringLiteral("127.0.0.1:5432"));
    const auto calls = tools->calls();
    QCOMPARE(calls.size(), 1);
    QCOMPARE(calls[0].program, QStringLiteral("/bin/zsh"));
    QCOMPARE(calls[0].arguments,
             (QStringList{QStringLiteral("-c"), QStringLiteral("lsof -iTCP -sTCP:LISTEN -n -P")}));
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

void ListeningTest::readsListeningRowsOfTcpTables()
{
    const QByteArray tcp =
        "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  timeout inode\n"
        "   0: 00000000:0BB8 00000000:0000 0A 00000000:00000000 00:00000000 00000000  1000        0 111 1 0 "
        "100 0 0 10 0\n"
        "   1: 0100007F:1538 00000000:0000 0A 00000000:00000000 00:00000000 00000000  1000        0 222 1 0 "
        "100 0 0 10 0\n"
        "   2: 0100007F:1539 0100007F:D431 01 00000000:00000000 00:00000000 00000000  1000        0 333 1 0 "
        "20 4 30 10 -1\n";
    const auto v4 = ProcNetListingSource::parseTcpTable(tcp, false);
    QCOMPARE(v4.size(), 2);
    QCOMPARE(v4.value(111), QStringLiteral("*:3000"));
    QCOMPARE(v4.value(222), QStringLiteral("127.0.0.1:5432"));

    const QByteArray tcp6 = "  sl  local_address                         remote_address                      "
                            "  st tx_queue rx_queue tr "
                            "tm->when retrnsmt   uid  timeout inode\n"
                            "   0: 00000000000000000000000000000000:1F90 "
                            "00000000000000000000000000000000:0000 0A 00000000:00000000 "
                            "00:00000000 00000000     0        0 444 1 0 100 0 0 10 0\n"
                            "   1: 00000000000000000000000001000000:1F91 "
                            "00000000000000000000000000000000:0000 0A 00000000:00000000 "
                            "00:00000000 00000000     0        0 555 1 0 100 0 0 10 0\n"
                            "   2: 0000000000000000FFFF00000100007F:1F92 "
                            "00000000000000000000000000000000:0000 0A 00000000:00000000 "
                            "00:00000000 00000000     0        0 666 1 0 100 0 0 10 0\n"
                            "   3: garbage\n";
    const auto v6 = ProcNetListingSource::parseTcpTable(tcp6, true);
    QCOMPARE(v6.size(), 3);
    QCOMPARE(v6.value(444), QStringLiteral("*:8080"));
    QCOMPARE(v6.value(555), QStringLiteral("[::1]:8081"));
    QCOMPARE(v6.value(666), QStringLiteral("127.0.0.1:8082"));
}

void ListeningTest::nativeListingAgreesWithLsof()
{
    if (findProgram(QStringLiteral("lsof")).isEmpty() || !QFile::exists(QStringLiteral("/bin/zsh")))
        QSKIP("lsof or /bin/zsh is not installed: the native listing cannot be compared with lsof here");

    const QList<QStringList> listeners{
        {QStringLiteral("--name"), QStringLiteral("Code Helper")},
        {QStringLiteral("--name"), QStringLiteral("a b")},
        {QStringLiteral("--name"), QStringLiteral("abcdefghijklmno")},
        {QStringLiteral("--name"), QStringLiteral("caf\u00e9\\x\ty")},
        {QStringLiteral("--bind"), QStringLiteral("127.0.0.1:0"), QStringLiteral("--bind"),
         QStringLiteral("[::1]:0"), QStringLiteral("--same-port")},
        {QStringLiteral("--bind"), QStringLiteral("127.0.0.1:0"), QStringLiteral("--bind"),
         QStringLiteral("127.0.0.2:0"), QStringLiteral("--same-port")},
        {QStringLiteral("--bind"), QStringLiteral("0.0.0.0:0"), QStringLiteral("--bind"),
         QStringLiteral("[::]:0")},
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
