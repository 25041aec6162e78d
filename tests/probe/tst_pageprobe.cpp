#include "probe/PageProbe.h"
#include "support/TestProcesses.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <memory>

using namespace tidewell;
using tidewell::test::ChildProcess;

namespace {

QString describe(const std::optional<HTMLData>& page)
{
    if (!page)
        return QStringLiteral("no page");
    return QStringLiteral("title \"%1\", %2, %3, %4")
        .arg(page->title, appTypeText(page->appType), httpSchemeText(page->scheme),
             page->favicon ? QStringLiteral("favicon ") + *page->favicon : QStringLiteral("no favicon"));
}

QString found(const QString& title, AppType type = AppType::unknown, HttpScheme scheme = HttpScheme::http)
{
    return describe(HTMLData{title, type, std::nullopt, scheme});
}

const QString kNothing = describe(std::nullopt);

// What the probe reported, and when.
struct Outcome
{
    int calls = 0;
    bool onProbeThread = true;
    std::optional<HTMLData> page;
    QElapsedTimer clock;
    qint64 elapsedMs = -1;
};

std::shared_ptr<Outcome> startProbe(PageProbe& probe, const QString& port)
{
    auto outcome = std::make_shared<Outcome>();
    outcome->clock.start();
    QThread* const probeThread = probe.thread();
    probe.fetchHTMLData(port, [outcome, probeThread](std::optional<HTMLData> page) {
        if (++outcome->calls == 1)
            outcome->elapsedMs = outcome->clock.elapsed();
        outcome->onProbeThread = outcome->onProbeThread && QThread::currentThread() == probeThread;
        outcome->page = std::move(page);
    });
    return outcome;
}

// Lets everything already queued run, including deferred deletes, so a late second answer shows.
void settle()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

QByteArray httpReply(const QByteArray& statusLine, const QByteArray& headers, const QByteArray& body)
{
    return statusLine + "\r\n" + headers + "Content-Length: " + QByteArray::number(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

QByteArray htmlReply(const QByteArray& body)
{
    return httpReply("HTTP/1.1 200 OK", "Content-Type: text/html; charset=utf-8\r\n", body);
}

// A local server that answers every plain HTTP request with the same bytes, optionally after a
// delay, and cuts off any TLS handshake at once. Counts both kinds of request.
class CannedServer
{
public:
    explicit CannedServer(QByteArray reply, int delayMs = 0) : m_reply(std::move(reply)), m_delayMs(delayMs)
    {
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] { accept(); });
    }

    bool listen() { return m_server.listen(QHostAddress::LocalHost); }
    QString port() const { return QString::number(m_server.serverPort()); }
    int httpRequests() const { return m_httpRequests; }
    int tlsAttempts() const { return m_tlsAttempts; }
    // 'h' for each plain request and 't' for each TLS handshake, in the order they came.
    QByteArray arrivals() const { return m_arrivals; }

private:
    void accept()
    {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            auto request = std::make_shared<QByteArray>();
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, request] {
                const bool complete = request->contains("\r\n\r\n");
                request->append(socket->readAll());
                if (complete)
                    return;
                if (request->startsWith('\x16')) {
                    ++m_tlsAttempts;
                    m_arrivals += 't';
                    socket->abort();
                    return;
                }
                if (!request->contains("\r\n\r\n"))
                    return;
                ++m_httpRequests;
                m_arrivals += 'h';
                // The socket as context: a client that gave up and went away gets nothing.
                QTimer::singleShot(m_delayMs, socket, [this, socket] {
                    socket->write(m_reply);
                    socket->disconnectFromHost();
                });
            });
        }
    }

    QTcpServer m_server;
    QByteArray m_reply;
    int m_delayMs;
    int m_httpRequests = 0;
    int m_tlsAttempts = 0;
    QByteArray m_arrivals;
};

// A port on this machine that nothing listens on.
quint16 closedPort()
{
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost))
        return 0;
    return server.serverPort();
}

} // namespace

class PageProbeTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();

    void listenerPagesAreJudged_data();
    void listenerPagesAreJudged();
    void repliesAreJudged_data();
    void repliesAreJudged();
    void bodyCapIsExact_data();
    void bodyCapIsExact();
    void slowAnswersMeetTheTimeout_data();
    void slowAnswersMeetTheTimeout();
    void unfinishedRepliesEndAtTheTimeout_data();
    void unfinishedRepliesEndAtTheTimeout();
    void closedPortGivesNothing();
    void portTextMustBeANumber_data();
    void portTextMustBeANumber();
    void httpsOnlyServerIsFoundOverHttps_data();
    void httpsOnlyServerIsFoundOverHttps();

private:
    QSslConfiguration m_defaultTls;
};

void PageProbeTest::initTestCase()
{
    QVERIFY2(!tidewell::test::python3().isEmpty(), "python3 is needed to run the test servers");
    m_defaultTls = QSslConfiguration::defaultConfiguration();
}

void PageProbeTest::cleanup()
{
    QSslConfiguration::setDefaultConfiguration(m_defaultTls);
}

void PageProbeTest::listenerPagesAreJudged_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("expected");

    const auto mode = [](const char* name) {
        return QStringList{QStringLiteral("--mode"), QLatin1String(name)};
    };
    const auto body = [](const char* html) {
        return QStringList{QStringLiteral("--body"), QLatin1String(html)};
    };
    const QStringList titled{QStringLiteral("--title"), QStringLiteral("My App")};

    QTest::newRow("html page") << mode("html") + titled << found(QStringLiteral("My App"));
    QTest::newRow("non-ASCII title") << QStringList{QStringLiteral("--title"),
                                                    QStringLiteral("Caf\u00e9 \u2615")}
                                     << found(QStringLiteral("Caf\u00e9 \u2615"));
    QTest::newRow("next.js page") << titled + body("<script src=\"/_next/static/chunks/main.js\"></script>")
                                  << found(QStringLiteral("My App"), AppType::nextjs);
    QTest::newRow("react page") << titled + body("<script type=\"module\" src=\"/@react-refresh\"></script>")
                                << found(QStringLiteral("My App"), AppType::react);
    QTest::newRow("storybook page") << titled + body("<link href=\"./sb-manager/runtime.js\">")
                                    << found(QStringLiteral("My App"), AppType::storybook);
    QTest::newRow("not-found page served as html")
        << mode("notfound") + QStringList{QStringLiteral("--title"), QStringLiteral("Missing")}
        << found(QStringLiteral("Missing"));
    QTest::newRow("json") << mode("json") << kNothing;
    QTest::newRow("content type in other letter case") << mode("mixedcase") << kNothing;
    QTest::newRow("body not UTF-8") << mode("latin1") << kNothing;
    QTest::newRow("body over the size cap") << mode("huge") << kNothing;
}

void PageProbeTest::listenerPagesAreJudged()
{
    QFETCH(QStringList, options);
    QFETCH(QString, expected);

    auto listener = tidewell::test::startListener(
        options + QStringList{QStringLiteral("--bind"), QStringLiteral("127.0.0.1:0")});
    QVERIFY(listener->waitUntilReady());

    // A plain server leaves the https attempt hanging until the timeout; keep that short.
    const int timeoutMs = 1500;
    PageProbe probe;
    probe.setTimeoutMs(timeoutMs);
    const auto outcome = startProbe(probe, QString::number(listener->port()));
    QTRY_VERIFY_WITH_TIMEOUT(outcome->calls > 0, 2 * timeoutMs + 3000);
    settle();
    QCOMPARE(outcome->calls, 1);
    QVERIFY(outcome->onProbeThread);
    QCOMPARE(describe(outcome->page), expected);
}

void PageProbeTest::repliesAreJudged_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("expected");

    const QByteArray page = "<html><head><title>Dev Server</title></head><body></body></html>";
    const QByteArray ok = "HTTP/1.1 200 OK";

    QTest::newRow("header name in lower case")
        << httpReply(ok, "content-type: text/html\r\n", page) << found(QStringLiteral("Dev Server"));
    QTest::newRow("header name in capitals")
        << httpReply(ok, "CONTENT-TYPE: text/html\r\n", page) << found(QStringLiteral("Dev Server"));
    QTest::newRow("html type after other text")
        << httpReply(ok, "Content-Type: charset=utf-8; text/html\r\n", page)
        << found(QStringLiteral("Dev Server"));
    QTest::newRow("server error page served as html")
        << httpReply("HTTP/1.1 500 Internal Server Error", "Content-Type: text/html\r\n", page)
        << found(QStringLiteral("Dev Server"));
    QTest::newRow("HTTP/1.0 reply") << httpReply("HTTP/1.0 200 OK", "Content-Type: text/html\r\n", page)
                                    << found(QStringLiteral("Dev Server"));
    QTest::newRow("chunked body")
        << QByteArray("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nTransfer-Encoding: chunked\r\n"
                      "Connection: close\r\n\r\n" +
                      QByteArray::number(page.size(), 16) + "\r\n" + page + "\r\n0\r\n\r\n")
        << found(QStringLiteral("Dev Server"));
    QTest::newRow("empty html body") << htmlReply({}) << found(QStringLiteral("No Title"));
    QTest::newRow("title taken from og:title")
        << htmlReply("<head><meta property=\"og:title\" content=\"Shop\"></head>")
        << found(QStringLiteral("Shop"));
    QTest::newRow("no content type") << httpReply(ok, {}, page) << kNothing;
    QTest::newRow("empty content type") << httpReply(ok, "Content-Type: \r\n", page) << kNothing;
    QTest::newRow("xhtml type") << httpReply(ok, "Content-Type: application/xhtml+xml\r\n", page) << kNothing;
    QTest::newRow("plain text holding html")
        << httpReply(ok, "Content-Type: text/plain\r\n", page) << kNothing;
    QTest::newRow("html named in another header")
        << httpReply(ok, "Content-Type: text/plain\r\nX-Note: text/html\r\n", page) << kNothing;
    QTest::newRow("body ends inside a character") << htmlReply(page + "\xe2\x98") << kNothing;
    QTest::newRow("UTF-8 encoded surrogate") << htmlReply(page + "\xed\xa0\x80") << kNothing;
    QTest::newRow("overlong encoding") << htmlReply(page + "\xc0\xbc") << kNothing;
    QTest::newRow("not HTTP at all") << QByteArray("SSH-2.0-OpenSSH_9.2p1 Debian-2\r\n") << kNothing;
}

void PageProbeTest::repliesAreJudged()
{
    QFETCH(QByteArray, reply);
    QFETCH(QString, expected);

    CannedServer server(reply);
    QVERIFY(server.listen());
    PageProbe probe;
    const auto outcome = startProbe(probe, server.port());
    QTRY_VERIFY_WITH_TIMEOUT(outcome->calls > 0, 5000);
    settle();
    QCOMPARE(outcome->calls, 1);
    QVERIFY(outcome->onProbeThread);
    QCOMPARE(describe(outcome->page), expected);

    // Plain http is asked first; https only when plain http gave no page. (Qt itself may repeat a
    // plain request whose connection broke.)
    QVERIFY2(server.arrivals().startsWith('h'), server.arrivals().constData());
    if (outcome->page)
        QCOMPARE(server.tlsAttempts(), 0);
    else
        QVERIFY2(server.tlsAttempts() >= 1, server.arrivals().constData());
}

void PageProbeTest::bodyCapIsExact_data()
{
    QTest::addColumn<int>("bodySize");
    QTest::addColumn<qint64>("cap"); // 0 keeps the default
    QTest::addColumn<bool>("accepted");

    QTest::newRow("body at a small cap") << 1000 << qint64(1000) << true;
    QTest::newRow("body one byte over a small cap") << 1001 << qint64(1000) << false;
    QTest::newRow("body at the default cap") << int(PageProbe::kDefaultMaxBodyBytes) << qint64(0) << true;
    QTest::newRow("body one byte over the default cap")
        << int(PageProbe::kDefaultMaxBodyBytes + 1) << qint64(0) << false;
}

void PageProbeTest::bodyCapIsExact()
{
    QFETCH(int, bodySize);
    QFETCH(qint64, cap);
    QFETCH(bool, accepted);

    const QByteArray head = "<html><head><title>Big</title></head><body>";
    const QByteArray tail = "</body></html>";
    const QByteArray page = head + QByteArray(bodySize - head.size() - tail.size(), 'x') + tail;
    QCOMPARE(page.size(), bodySize);

    CannedServer server(htmlReply(page));
    QVERIFY(server.listen());
    PageProbe probe;
    if (cap > 0)
        probe.setMaxBodyBytes(cap);
    const auto outcome = startProbe(probe, server.port());
    QTRY_VERIFY_WITH_TIMEOUT(outcome->calls > 0, 8000);
    settle();
    QCOMPARE(outcome->calls, 1);
    QCOMPARE(describe(outcome->page), accepted ? found(QStringLiteral("Big")) : kNothing);
}

void PageProbeTest::slowAnswersMeetTheTimeout_data()
{
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<int>("timeoutMs"); // 0 keeps the default
    QTest::addColumn<bool>("accepted");

    QTest::newRow("answer within the default timeout") << 1500 << 0 << true;
    QTest::newRow("answer within a set timeout") << 300 << 1500 << true;
    QTest::newRow("answer after a set timeout") << 1500 << 300 << false;
}

void PageProbeTest::slowAnswersMeetTheTimeout()
{
    QFETCH(int, delayMs);
    QFETCH(int, timeoutMs);
    QFETCH(bool, accepted);

    CannedServer server(htmlReply("<title>Slow</title>"), delayMs);
    QVERIFY(server.listen());
    PageProbe probe;
    if (timeoutMs > 0)
        probe.setTimeoutMs(timeoutMs);
    const auto outcome = startProbe(probe, server.port());
    QTRY_VERIFY_WITH_TIMEOUT(outcome->calls > 0, delayMs + 5000);
    settle();
    QCOMPARE(outcome->calls, 1);
    QCOMPARE(describe(outcome->page), accepted ? found(QStringLiteral("Slow")) : kNothing);
    if (!accepted)
        QVERIFY2(outcome->elapsedMs < delayMs, "the probe waited past its timeout for the answer");
}

void PageProbeTest::unfinishedRepliesEndAtTheTimeout_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("timeoutMs"); // 0 keeps the default

    QTest::newRow("silent server") << QStringLiteral("silent") << 500;
    QTest::newRow("endless slow body") << QStringLiteral("trickle") << 500;
    QTest::newRow("silent server, default timeout") << QStringLiteral("silent") << 0;
}

void PageProbeTest::unfinishedRepliesEndAtTheTimeout()
{
    QFETCH(QString, mode);
    QFETCH(int, timeoutMs);

    auto listener = tidewell::test::startListener(
        {QStringLiteral("--mode"), mode, QStringLiteral("--bind"), QStringLiteral("127.0.0.1:0")});
    QVERIFY(listener->waitUntilReady());

    PageProbe probe;
    if (timeoutMs > 0)
        probe.setTimeoutMs(timeoutMs);
    const int effectiveMs = timeoutMs > 0 ? timeoutMs : PageProbe::kDefaultTimeoutMs;
    const auto outcome = startProbe(probe, QString::number(listener->port()));
    // At most one full timeout for each of the two schemes.
    QTRY_VERIFY_WITH_TIMEOUT(outcome->calls > 0, 2 * effectiveMs + 1500);
    settle();
    QCOMPARE(outcome->calls, 1);
    QCOMPARE(describe(outcome->page), kNothing);
    // The plain request holds the connection open, so nothing can end it before the timeout.
    QVERIFY2(outcome->elapsedMs >= effectiveMs * 9 / 10, qPrintable(QString::number(outcome->elapsedMs)));
}

void PageProbeTest::closedPortGivesNothing()
{
    const quint16 port = closedPort();
    QVERIFY(port != 0);
    PageProbe probe;
    const auto outcome = startProbe(probe, QString::number(port));
    // A refused connection is an answer; it must not wait for the timeout.
    QTRY_VERIFY_WITH_TIMEOUT(outcome->calls > 0, PageProbe::kDefaultTimeoutMs - 500);
    settle();
    QCOMPARE(outcome->calls, 1);
    QCOMPARE(describe(outcome->page), kNothing);
}

void PageProbeTest::portTextMustBeANumber_data()
{
    // "%1" stands for the port of a live server that answers every request with a page.
    QTest::addColumn<QString>("portText");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("the port itself") << QStringLiteral("%1") << true;
    QTest::newRow("wildcard") << QStringLiteral("*") << false;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("letters") << QStringLiteral("http") << false;
    QTest::newRow("negative") << QStringLiteral("-1") << false;
    QTest::newRow("out of range") << QStringLiteral("65536") << false;
    QTest::newRow("with a path") << QStringLiteral("%1/../x") << false;
    QTest::newRow("with a slash") << QStringLiteral("%1/") << false;
    QTest::newRow("with a query") << QStringLiteral("%1?x=1") << false;
    QTest::newRow("with a fragment") << QStringLiteral("%1#top") << false;
    QTest::newRow("with a user part") << QStringLiteral("%1@127.0.0.1:%1") << false;
    QTest::newRow("leading space") << QStringLiteral(" %1") << false;
    QTest::newRow("trailing space") << QStringLiteral("%1 ") << false;
}

void PageProbeTest::portTextMustBeANumber()
{
    QFETCH(QString, portText);
    QFETCH(bool, accepted);

    CannedServer server(htmlReply("<title>Served</title>"));
    QVERIFY(server.listen());
    PageProbe probe;
    const auto outcome = startProbe(probe, QString(portText).replace(QStringLiteral("%1"), server.port()));
    QTRY_VERIFY_WITH_TIMEOUT(outcome->calls > 0, 5000);
    settle();
    QCOMPARE(outcome->calls, 1);
    QCOMPARE(describe(outcome->page), accepted ? found(QStringLiteral("Served")) : kNothing);
    if (!accepted) {
        QCOMPARE(server.httpRequests(), 0);
        QCOMPARE(server.tlsAttempts(), 0);
    }
}

void PageProbeTest::httpsOnlyServerIsFoundOverHttps_data()
{
    QTest::addColumn<bool>("trusted");
    QTest::addColumn<QString>("expected");

    QTest::newRow("certificate the client accepts")
        << true << found(QStringLiteral("Secure"), AppType::storybook, HttpScheme::https);
    QTest::newRow("certificate the client does not accept") << false << kNothing;
}

void PageProbeTest::httpsOnlyServerIsFoundOverHttps()
{
    QFETCH(bool, trusted);
    QFETCH(QString, expected);

    const QString openssl = tidewell::test::findProgram(QStringLiteral("openssl"));
    if (openssl.isEmpty())
        QSKIP("openssl is not installed, so no test certificate can be made");
    if (!QSslSocket::supportsSsl())
        QSKIP("Qt has no TLS backend here");

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString certPath = folder.filePath(QStringLiteral("cert.pem"));
    const QString keyPath = folder.filePath(QStringLiteral("key.pem"));
    QProcess makeCert;
    makeCert.setProcessChannelMode(QProcess::ForwardedChannels);
    makeCert.start(openssl, {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                             QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                             QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
                             QStringLiteral("-keyout"), keyPath, QStringLiteral("-out"), certPath,
                             QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
                             QStringLiteral("/CN=localhost"), QStringLiteral("-addext"),
                             QStringLiteral("subjectAltName=DNS:localhost,IP:127.0.0.1")});
    QVERIFY(makeCert.waitForFinished(30000));
    QCOMPARE(makeCert.exitCode(), 0);

    const QList<QSslCertificate> certificates = QSslCertificate::fromPath(certPath);
    QCOMPARE(certificates.size(), 1);
    if (trusted) {
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.addCaCertificates(certificates);
        QSslConfiguration::setDefaultConfiguration(tls);
    }

    ChildProcess server(tidewell::test::python3(),
                        {tidewell::test::testDataPath(QStringLiteral("probe/https_server.py")),
                         QStringLiteral("--cert"), certPath, QStringLiteral("--key"), keyPath,
                         QStringLiteral("--title"), QStringLiteral("Secure"), QStringLiteral("--body"),
                         QStringLiteral("<link href=\"./sb-manager/runtime.js\">")});
    QVERIFY(server.waitUntilReady());

    PageProbe probe;
    const auto outcome = startProbe(probe, QString::number(server.port()));
    QTRY_VERIFY_WITH_TIMEOUT(outcome->calls > 0, 2 * PageProbe::kDefaultTimeoutMs + 2000);
    settle();
    QCOMPARE(outcome->calls, 1);
    QCOMPARE(describe(outcome->page), expected);
}

QTEST_GUILESS_MAIN(PageProbeTest)
#include "tst_pageprobe.moc"
