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
        const auto row = [](const char* name, const QByteArray& reply, const QByteArray& expected) {
            QTest::newRow(name) << reply << expected;
        };
        row("length", ok + "Content-Length: 5\r\n\r\nhello", "complete 200 hello");
        row("bytes after the reply", ok + "Content-Length: 2\r\n\r\nhi, more", "complete 200 hi");
        row("interim reply first", "HTTP/1.1 100 Continue\r\n\r\n" + ok + "Content-Length: 2\r\n\r\nhi",
            "complete 200 hi");
        row("chunked, extension, trailer",
            ok + "Transfer-Encoding: chunked\r\n\r\n3;x=y\r\nabc\r\n2\r\nde\r\n0\r\nX-T: 1\r\n\r\n",
            "complete 200 abcde");
        row("body to the close", "HTTP/1.0 404 Gone\r\n\r\nto the end", "complete 404 to the end");
        row("bare line feeds", "HTTP/1.1 200 OK\nContent-Length: 1\n\nx", "complete 200 x");
        row("no body", "HTTP/1.1 204 No Content\r\nContent-Length: 9\r\n\r\n", "complete 204 ");
        row("length cut short", ok + "Content-Length: 9\r\n\r\nabc", "failed cutShort");
        row("chunked cut short", ok + "Transfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n", "failed cutShort");
        row("differing lengths", ok + "Content-Length: 3\r\nContent-Length: 4\r\n\r\nabcd",
            "failed malformed");
        row("signed length", ok + "Content-Length: -1\r\n\r\n", "failed malformed");
        row("chunk size not a number", ok + "Transfer-Encoding: chunked\r\n\r\nzz\r\n", "failed malformed");
        row("chunk longer than its size", ok + "Transfer-Encoding: chunked\r\n\r\n3\r\nabcd\n0\r\n\r\n",
            "failed malformed");
        row("not HTTP", "SSH-2.0-OpenSSH_9.2p1\r\n", "failed malformed");
        row("field without a name", ok + ": x\r\n\r\n", "failed malformed");
        row("headers over the cap", ok + "X-Pad: " + QByteArray(60, 'x') + "\r\n\r\n",
            "failed headersTooLarge");
        row("trailers over the cap",
            ok + "Transfer-Encoding: chunked\r\n\r\n0\r\nX-Pad: " + QByteArray(60, 'x') + "\r\n\r\n",
            "failed headersTooLarge");
        row("length over the cap", ok + "Content-Length: 17\r\n\r\n", "failed bodyTooLarge");
        row("chunks over the cap", ok + "Transfer-Encoding: chunked\r\n\r\n9\r\n123456789\r\n8\r\n",
            "failed bodyTooLarge");
        row("close-framed over the cap", "HTTP/1.0 200 OK\r\n\r\n" + QByteArray(17, 'x'),
            "failed bodyTooLarge");
        row("body at the cap", ok + "Content-Length: 16\r\n\r\n" + QByteArray(16, 'x'),
            "complete 200 " + QByteArray(16, 'x'));
    }

    void readsReplies()
    {
        QFETCH(QByteArray, reply);
        // Whole, and one byte at a time: where the reads split a reply changes nothing.
        HttpReplyParser whole({64, 16});
        HttpReplyParser piecewise({64, 16});
        whole.feed(reply);
        for (const char byte : reply)
            piecewise.feed(QByteArrayView(&byte, 1));
        for (HttpReplyParser* parser : {&whole, &piecewise}) {
            parser->endOfInput();
            QTEST(outcomeOf(*parser), "expected");
        }
    }
};

QTEST_GUILESS_MAIN(HttpReplyParserTest)
#include "tst_httpreplyparser.moc"
