#include "platform/LsofListingSource.h"
#include "ports/DevServerTest.h"
#include "ports/PortScanner.h"
#include "support/RecordingSystemTools.h"

#include <QTest>

using namespace tidewell;
using namespace tidewell::test;

class PortScannerTest : public QObject
{
    Q_OBJECT
private slots:
    void parsesPortLines_data();
    void parsesPortLines();
    void decidesWhatIsADevServer_data();
    void decidesWhatIsADevServer();
    void scanSplitsInListingOrderWithoutMerging();
    void scanOfNothingIsEmpty_data();
    void scanOfNothingIsEmpty();
};

void PortScannerTest::parsesPortLines_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("parsed");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("pid");
    QTest::newRow("any address") << QStringLiteral("node 4242 dev 23u IPv4 0xabc 0t0 TCP *:3000 (LISTEN)")
                                 << true << QStringLiteral("node") << QStringLiteral("3000")
                                 << QStringLiteral("4242");
    QTest::newRow("loopback") << QStringLiteral("postgres 9 pg 5u IPv4 1 0t0 TCP 127.0.0.1:5432 (LISTEN)")
                              << true << QStringLiteral("postgres") << QStringLiteral("5432")
                              << QStringLiteral("9");
    QTest::newRow("ipv6") << QStringLiteral("deno 5 me 5u IPv6 1 0t0 TCP [::1]:8080 (LISTEN)") << true
                          << QStringLiteral("deno") << QStringLiteral("8080") << QStringLiteral("5");
    QTest::newRow("star port") << QStringLiteral("x 5 me 5u IPv6 1 0t0 TCP *:* (LISTEN)") << true
                               << QStringLiteral("x") << QStringLiteral("*") << QStringLiteral("5");
    QTest::newRow("only colons") << QStringLiteral("x 5 me 5u IPv6 1 0t0 TCP ::: (LISTEN)") << true
                                 << QStringLiteral("x") << QString() << QStringLiteral("5");
    QTest::newRow("escaped name kept")
        << QStringLiteral("Code\\x20H 7 me 5u IPv4 1 0t0 TCP 127.0.0.1:52000") << true
        << QStringLiteral("Code\\x20H") << QStringLiteral("52000") << QStringLiteral("7");
    QTest::newRow("runs of spaces") << QStringLiteral(
                                           "deno   77  me  3u  IPv6  1  0t0  TCP  [::1]:8080  (LISTEN)")
                                    << true << QStringLiteral("deno") << QStringLiteral("8080")
                                    << QStringLiteral("77");
    QTest::newRow("tabs are not separators")
        << QStringLiteral("a\tb 1 2 3 4 5 6 7 *:1") << true << QStringLiteral("a\tb") << QStringLiteral("1")
        << QStringLiteral("1");
    QTest::newRow("too short") << QStringLiteral("node 4242 dev 23u IPv4 0xabc 0t0 TCP") << false << QString()
                               << QString() << QString();
}

void PortScannerTest::parsesPortLines()
{
    QFETCH(QString, line);
    QFETCH(bool, parsed);
    const auto entry = parsePortLine(line);
    QCOMPARE(entry.has_value(), parsed);
    if (!parsed)
        return;
    QTEST(entry->processName(), "name");
    QTEST(entry->port(), "port");
    QTEST(entry->pid(), "pid");
    QVERIFY(!entry->htmlData() && !entry->processInfo());
}

void PortScannerTest::decidesWhatIsADevServer_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("port");
    QTest::addColumn<bool>("listed");
    QTest::newRow("node") << QStringLiteral("node") << QStringLiteral("3000") << true;
    QTest::newRow("node on a high port") << QStringLiteral("node") << QStringLiteral("50000") << true;
    QTest::newRow("nodemon") << QStringLiteral("nodemon") << QStringLiteral("3000") << false;
    QTest::newRow("bun") << QStringLiteral("bun") << QStringLiteral("3000") << true;
    QTest::newRow("deno") << QStringLiteral("deno") << QStringLiteral("8000") << true;
    QTest::newRow("ssh") << QStringLiteral("ssh") << QStringLiteral("8022") << true;
    QTest::newRow("sshd") << QStringLiteral("sshd") << QStringLiteral("22") << false;
    QTest::newRow("python3.11") << QStringLiteral("python3.11") << QStringLiteral("8000") << true;
    QTest::newRow("Python capitals") << QStringLiteral("Python") << QStringLiteral("8000") << true;
    QTest::newRow("ipython inside") << QStringLiteral("ipython") << QStringLiteral("8888") << true;
    QTest::newRow("NODE capitals") << QStringLiteral("NODE") << QStringLiteral("3000") << true;
    QTest::newRow("postgres") << QStringLiteral("postgres") << QStringLiteral("5432") << false;
    QTest::newRow("redis") << QStringLiteral("redis-ser") << QStringLiteral("6379") << false;
    QTest::newRow("editor helper on a dev port")
        << QStringLiteral("Code\\x20H") << QStringLiteral("5173") << true;
    QTest::newRow("editor helper on a high port")
        << QStringLiteral("Code\\x20H") << QStringLiteral("52000") << false;
    QTest::newRow("editor helper on 8828") << QStringLiteral("Code\\x20H") << QStringLiteral("8828") << false;
    QTest::newRow("editor helper on 8829") << QStringLiteral("Code\\x20H") << QStringLiteral("8829") << false;
    QTest::newRow("editor helper on 8830") << QStringLiteral("Code\\x20H") << QStringLiteral("8830") << false;
    QTest::newRow("editor helper on 8831") << QStringLiteral("Code\\x20H") << QStringLiteral("8831") << true;
    QTest::newRow("Cursor on 9999") << QStringLiteral("Cursor") << QStringLiteral("9999") << true;
    QTest::newRow("Cursor on 10000") << QStringLiteral("Cursor") << QStringLiteral("10000") << false;
    QTest::newRow("editor with a star port") << QStringLiteral("cursor") << QStringLiteral("*") << true;
    QTest::newRow("editor with a huge port")
        << QStringLiteral("cursor") << QStringLiteral("99999999999") << false;
    QTest::newRow("editor with a padded port")
        << QStringLiteral("cursor") << QStringLiteral(" 20000") << true;
    QTest::newRow("unescaped editor name")
        << QStringLiteral("Code Helper") << QStringLiteral("3000") << false;
}

void PortScannerTest::decidesWhatIsADevServer()
{
    QFETCH(QString, name);
    QFETCH(QString, port);
    QTEST(isDevServerProcess(name, port), "listed");
}

void PortScannerTest::scanSplitsInListingOrderWithoutMerging()
{
    auto tools = std::make_shared<RecordingSystemTools>();
    tools->setOutput("COMMAND PID USER FD TYPE DEVICE SIZE/OFF NODE NAME\n"
                     "postgres 9 pg 5u IPv4 1 0t0 TCP 127.0.0.1:5432 (LISTEN)\n"
                     "node 4242 dev 23u IPv4 0xabc 0t0 TCP *:3000 (LISTEN)\n"
                     "node 4242 dev 24u IPv6 0xabd 0t0 TCP *:3000 (LISTEN)\n"
                     "broken line\n"
                     "Code\\x20H 7 me 5u IPv4 1 0t0 TCP 127.0.0.1:52000 (LISTEN)\n"
                     "bun 11 me 5u IPv4 1 0t0 TCP 127.0.0.1:3001 (LISTEN)\n");
    const ScanResult scan = PortScanner(std::make_shared<LsofListingSource>(tools)).scanListeningPorts();
    const PortData node(QStringLiteral("node"), QStringLiteral("3000"), QStringLiteral("4242"));
    QCOMPARE(scan.candidates,
             (QList<PortData>{
                 node, node, PortData(QStringLiteral("bun"), QStringLiteral("3001"), QStringLiteral("11"))}));
    QCOMPARE(scan.ignored,
             (QList<PortData>{
                 PortData(QStringLiteral("postgres"), QStringLiteral("5432"), QStringLiteral("9")),
                 PortData(QStringLiteral("Code\\x20H"), QStringLiteral("52000"), QStringLiteral("7"))}));
}

void PortScannerTest::scanOfNothingIsEmpty_data()
{
    QTest::addColumn<QByteArray>("output");
    QTest::newRow("no output") << QByteArray();
    QTest::newRow("header only") << QByteArray("COMMAND PID USER FD TYPE DEVICE SIZE/OFF NODE NAME\n");
    QTest::newRow("not utf-8") << QByteArray("COMMAND PID\nnode 1 u 3u IPv4 1 0t0 TCP *:3000 \xc3(\n");
}

void PortScannerTest::scanOfNothingIsEmpty()
{
    QFETCH(QByteArray, output);
    auto tools = std::make_shared<RecordingSystemTools>();
    tools->setOutput(output);
    const ScanResult scan = PortScanner(std::make_shared<LsofListingSource>(tools)).scanListeningPorts();
    QVERIFY(scan.candidates.isEmpty() && scan.ignored.isEmpty());
}

QTEST_GUILESS_MAIN(PortScannerTest)
#include "tst_portscanner.moc"
