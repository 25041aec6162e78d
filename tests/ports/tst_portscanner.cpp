#include "platform/ListeningSocket.h"
#include "platform/commands/LsofListingSource.h"
#include "ports/DevServerTest.h"
#include "ports/PortScanner.h"
#include "support/RecordingSystemTools.h"

#include <QTest>

using namespace tidewell;
using namespace tidewell::test;
using namespace Qt::StringLiterals;

class PortScannerTest : public QObject
{
    Q_OBJECT
private slots:
    void parsesPortLines_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("key"); // name port:pid, or empty when the line is no row
        QTest::newRow("any address") << u"node 4242 dev 23u IPv4 0xabc 0t0 TCP *:3000 (LISTEN)"_s
                                     << u"node 3000:4242"_s;
        QTest::newRow("ipv6") << u"deno 5 me 5u IPv6 1 0t0 TCP [::1]:8080 (LISTEN)"_s << u"deno 8080:5"_s;
        QTest::newRow("star port") << u"x 5 me 5u IPv6 1 0t0 TCP *:* (LISTEN)"_s << u"x *:5"_s;
        QTest::newRow("only colons") << u"x 5 me 5u IPv6 1 0t0 TCP ::: (LISTEN)"_s << u"x :5"_s;
        QTest::newRow("escaped name kept")
            << u"Code\\x20H 7 me 5u IPv4 1 0t0 TCP 127.0.0.1:52000"_s << u"Code\\x20H 52000:7"_s;
        QTest::newRow("runs of spaces")
            << QStringLiteral("deno   77  me  3u  IPv6  1  0t0  TCP  [::1]:8080  (LISTEN)")
            << u"deno 8080:77"_s;
        QTest::newRow("tabs are not separators") << u"a\tb 1 2 3 4 5 6 7 *:1"_s << u"a\tb 1:1"_s;
        QTest::newRow("too short") << u"node 4242 dev 23u IPv4 0xabc 0t0 TCP"_s << QString();
    }

    void parsesPortLines()
    {
        QFETCH(QString, line);
        QFETCH(QString, key);
        const auto entry = parsePortLine(line);
        QCOMPARE(entry ? entry->processName() + u' ' + entry->portKey() : QString(), key);
        QVERIFY(!entry || (!entry->htmlData() && !entry->processInfo()));
    }

    void decidesWhatIsADevServer_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("port");
        QTest::addColumn<bool>("listed");
        auto row = [](const char* name, const char* port, bool listed) {
            QTest::addRow("%s on '%s'", name, port)
                << QString::fromUtf8(name) << QString::fromUtf8(port) << listed;
        };
        row("node", "3000", true);
        row("node", "50000", true); // only the editors' own ports are excluded
        row("nodemon", "3000", false);
        row("sshd", "22", false);
        row("python3.11", "8000", true);
        row("Python", "8000", true);
        row("ipython", "8888", true);
        row("NODE", "3000", true);
        row("postgres", "5432", false);
        row("Code\\x20H", "5173", true);
        row("Code\\x20H", "52000", false);
        row("Code\\x20H", "8828", false);
        row("Code\\x20H", "8830", false);
        row("Code\\x20H", "8831", true);
        row("Cursor", "9999", true);
        row("Cursor", "10000", false);
        row("cursor", "*", true);
        row("cursor", "99999999999", false);
        row("cursor", " 20000", true); // not a port number, so not the editor's own
        row("Code Helper", "3000", false);
    }

    void decidesWhatIsADevServer()
    {
        QFETCH(QString, name);
        QFETCH(QString, port);
        QTEST(isDevServerProcess(name, port), "listed");
    }

    void scanSplitsInListingOrderWithoutMerging()
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
        QCOMPARE(tools->calls().size(), 1);
        QCOMPARE(tools->calls()[0].program, u"/bin/zsh"_s);
        QCOMPARE(tools->calls()[0].arguments, (QStringList{u"-c"_s, u"lsof -iTCP -sTCP:LISTEN -n -P"_s}));
        const PortData node(u"node"_s, u"3000"_s, u"4242"_s);
        QCOMPARE(scan.candidates, (QList<PortData>{node, node, PortData(u"bun"_s, u"3001"_s, u"11"_s)}));
        QCOMPARE(scan.ignored, (QList<PortData>{PortData(u"postgres"_s, u"5432"_s, u"9"_s),
                                                PortData(u"Code\\x20H"_s, u"52000"_s, u"7"_s)}));
        // Whatever the first line holds, it is the header; one line that is not UTF-8 spoils all.
        QVERIFY(parseLsofListing("node 1 u 3u IPv4 1 0t0 TCP *:1\n").isEmpty());
        QVERIFY(
            parseLsofListing("COMMAND\nnode 1 u 3u IPv4 1 0t0 TCP *:1\ncaf\xe9 1 u 3u IPv4 1 0t0 TCP *:2\n")
                .isEmpty());
    }
};

QTEST_GUILESS_MAIN(PortScannerTest)
#include "tst_portscanner.moc"
