#include "platform/HttpReplyParser.h"

#include <QTest>

using namespace tidewell;
using State = HttpReplyParser::State;
using Failure = HttpReplyParser::Failure;

namespace {

// What a reply reads as: "complete 200 body" or "failed <reason>".
QByteArray outcomeOf(const HttpReplyParser& parser)
{
    if (parser.state() == State::complete)
        return "complete " + QByteArray::number(parser.status()) + ' ' + parser.body();
    static const char* const reasons[] = {"none", "malformed", "headersTooLarge", "bodyTooLarge", "cutShort"};
    return parser.state() == State::failed ? QByteArray("failed ") + reasons[int(parser.failure())]
                                           : QByteArray("still reading");
}

} // namespace

class HttpReplyParserTest : public QObject
{
    Q_OBJECT
private slots:
    void readsReplies_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray ok = "HTTP/1.1 200 OK\r\n";
        QTest::newRow("length") << ok + "Content-Length: 5\r\n\r\nhello" << QByteArray("complete 200 hello");
        QTest::newRow("bytes after the reply")
            << ok + "Content-Length: 2\r\n\r\nhi, more" << QByteArray("complete 200 hi");
        QTest::newRow("interim reply first")
            << "HTTP/1.1 100 Continue\r\n\r\n" + ok + "Content-Length: 2\r\n\r\nhi"
            << QByteArray("complete 200 hi");
        QTest::newRow("chunked, extension, trailer")
            << ok + "Transfer-Encoding: chunked\r\n\r\n3;x=y\r\nabc\r\n2\r\nde\r\n0\r\nX-T: 1\r\n\r\n"
            << QByteArray("complete 200 abcde");
        QTest::newRow("body to the close")
            << QByteArray("HTTP/1.0 404 Gone\r\n\r\nto the end") << QByteArray("complete 404 to the end");
        QTest::newRow("bare line feeds")
            << QByteArray("HTTP/1.1 200 OK\nContent-Length: 1\n\nx") << QByteArray("complete 200 x");
        QTest::newRow("no body") << QByteArray("HTTP/1.1 204 No Content\r\nContent-Length: 9\r\n\r\n")
                                 << QByteArray("complete 204 ");
        QTest::newRow("length cut short")
            << ok + "Content-Length: 9\r\n\r\nabc" << QByteArray("failed cutShort");
        QTest::newRow("chunked cut short") << ok + "Transfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n"
                                           << QByteArray("failed cutShort");
        QTest::newRow("differing lengths")
            << ok + "Content-Length: 3\r\nContent-Length: 4\r\n\r\nabcd" << QByteArray("failed malformed");
        QTest::newRow("signed length") << ok + "Content-Length: -1\r\n\r\n" << QByteArray("failed malformed");
        QTest::newRow("chunk size not a number") << ok + "Transfer-Encoding: chunked\r\n\r\nzz\r\n"
                                                 << QByteArray("failed malformed");
        QTest::newRow("chunk longer than its size")
            << ok + "Transfer-Encoding: chunked\r\n\r\n3\r\nabcd\n0\r\n\r\n"
            << QByteArray("failed malformed");
        QTest::newRow("not HTTP") << QByteArray("SSH-2.0-OpenSSH_9.2p1\r\n")
                                  << QByteArray("failed malformed");
        QTest::newRow("field without a name") << ok + ": x\r\n\r\n" << QByteArray("failed malformed");
        QTest::newRow("headers over the cap") << ok + "X-Pad: " + QByteArray(60, 'x') + "\r\n\r\n"
                                              << QByteArray("failed headersTooLarge");
        QTest::newRow("trailers over the cap")
            << ok + "Transfer-Encoding: chunked\r\n\r\n0\r\nX-Pad: " + QByteArray(60, 'x') + "\r\n\r\n"
            << QByteArray("failed headersTooLarge");
        QTest::newRow("length over the cap") << ok + "Content-Length: 17\r\n\r\n"
                                             << QByteArray("failed bodyTooLarge");
        QTest::newRow("chunks over the cap")
            << ok + "Transfer-Encoding: chunked\r\n\r\n9\r\n123456789\r\n8\r\n"
            << QByteArray("failed bodyTooLarge");
        QTest::newRow("close-framed over the cap")
            << "HTTP/1.0 200 OK\r\n\r\n" + QByteArray(17, 'x') << QByteArray("failed bodyTooLarge");
        QTest::newRow("body at the cap") << ok + "Content-Length: 16\r\n\r\n" + QByteArray(16, 'x')
                                         << "complete 200 " + QByteArray(16, 'x');
    }

    void readsReplies()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QByteArray, expected);
        // Whole, and one byte at a time: where the reads split a reply changes nothing.
        HttpReplyParser whole({64, 16});
        HttpReplyParser piecewise({64, 16});
        whole.feed(reply);
        for (const char byte : reply)
            piecewise.feed(QByteArrayView(&byte, 1));
        for (HttpReplyParser* parser : {&whole, &piecewise}) {
            parser->endOfInput();
            QCOMPARE(outcomeOf(*parser), expected);
        }
    }
};

QTEST_GUILESS_MAIN(HttpReplyParserTest)
#include "tst_httpreplyparser.moc"
