#include "probe/PageProbe.h"
#include "support/TestProcesses.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <memory>

using namespace tidewell;
using namespace Qt::StringLiterals;

namespace {

constexpr int kNever = -1;

QString describe(const std::optional<HTMLData>& page)
{
    if (!page)
        return u"no page"_s;
    return u"title \"%1\", %2, %3, %4"_s.arg(
        page->title, appTypeText(page->appType), httpSchemeText(page->scheme),
        page->favicon ? u"favicon "_s + *page->favicon : u"no favicon"_s);
}

QString found(const QString& title, AppType type = AppType::unknown, HttpScheme scheme = HttpScheme::http)
{
    return describe(HTMLData{title, type, std::nullopt, scheme});
}

const QString kNothing = describe(std::nullopt);

QByteArray httpReply(const QByteArray& statusLine, const QByteArray& headers, const QByteArray& body)
{
    return statusLine + "\r\n" + headers + "Content-Length: " + QByteArray::number(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

QByteArray htmlReply(const QByteArray& body)
{
    return httpReply("HTTP/1.1 200 OK", "Content-Type: text/html; charset=utf-8\r\n", body);
}

// What the probe reported, how often, and when.
struct Outcome
{
    int calls = 0;
    bool onProbeThread = true;
    std::optional<HTMLData> page;
    qint64 elapsedMs = -1;
};

// Asks `port` and waits up to `waitMs` for the answer, then lets everything already queued run
// (deferred deletes included) so that a late second answer shows in `calls`.
Outcome probeOnce(PageProbe& probe, const QString& port, int waitMs)
{
    auto outcome = std::make_shared<Outcome>();
    QElapsedTimer clock;
    clock.start();
    QThread* const probeThread = probe.thread();
    probe.fetchHTMLData(port, [outcome, clock, probeThread](std::optional<HTMLData> page) {
        if (++outcome->calls == 1)
            outcome->elapsedMs = clock.elapsed();
        outcome->onProbeThread = outcome->onProbeThread && QThread::currentThread() == probeThread;
        outcome->page = std::move(page);
    });
    if (!QTest::qWaitFor([&] { return outcome->calls > 0; }, waitMs))
        return *outcome;
    for (int i = 0; i < 2; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
    return *outcome;
}

// How the server behaves and what the probe allows it.
struct Setup
{
    QByteArray reply = {};
    int delayMs = 0;         // kNever: the server never answers
    QByteArray trickle = {}; // sent every 100 ms after the reply for as long as the client stays
    int timeoutMs = PageProbe::kDefaultTimeoutMs;
    qint64 cap = PageProbe::kDefaultMaxBodyBytes;
    bool tls = false;     // the server speaks only TLS, with a self-signed certificate
    bool trusted = false; // the client accepts that certificate
};

// A local server that answers every request as `setup` says. Without TLS it cuts off any TLS
// handshake at once, and records 'h' for each plain request and 't' for each handshake.
class PageServer
{
public:
    explicit PageServer(const Setup& setup, const std::optional<QSslConfiguration>& tls = std::nullopt)
        : m_server(tls ? new QSslServer : new QTcpServer), m_setup(setup)
    {
        if (tls)
            static_cast<QSslServer*>(m_server.get())->setSslConfiguration(*tls);
        // A TLS connection becomes pending only after its handshake, later than newConnection.
        QObject::connect(m_server.get(), &QTcpServer::pendingConnectionAvailable, m_server.get(),
                         [this] { accept(); });
        m_server->listen(QHostAddress::LocalHost);
    }

    QString port() const { return QString::number(m_server->serverPort()); }
    QByteArray arrivals() const { return m_arrivals; }

private:
    void accept()
    {
        while (QTcpSocket* socket = m_server->nextPendingConnection()) {
            auto request = std::make_shared<QByteArray>();
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, request] {
                const bool wasComplete = request->contains("\r\n\r\n");
                request->append(socket->readAll());
                if (request->startsWith('\x16')) {
                    m_arrivals += 't';
                    socket->abort();
                } else if (!wasComplete && request->contains("\r\n\r\n")) {
                    m_arrivals += 'h';
                    if (m_setup.delayMs != kNever)
                        QTimer::singleShot(m_setup.delayMs, socket, [this, socket] { answer(socket); });
                }
            });
        }
    }

    void answer(QTcpSocket* socket)
    {
        socket->write(m_setup.reply);
        if (m_setup.trickle.isEmpty()) {
            socket->disconnectFromHost();
            return;
        }
        // The socket owns the timer: a client that gave up and went away ends the trickle.
        auto* timer = new QTimer(socket);
        QObject::connect(timer, &QTimer::timeout, socket, [this, socket] { socket->write(m_setup.trickle); });
        timer->start(100);
    }

    std::unique_ptr<QTcpServer> m_server;
    Setup m_setup;
    QByteArray m_arrivals;
};

} // namespace

Q_DECLARE_METATYPE(Setup)

class PageProbeTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void pagesAreJudged_data();
    void pagesAreJudged();
    void portTextMustBeANumber_data();
    void portTextMustBeANumber();

private:
    QSslConfiguration m_defaultTls;
    std::optional<QSslConfiguration> m_serverTls;
};

void PageProbeTest::initTestCase()
{
    m_defaultTls = QSslConfiguration::defaultConfiguration();
    const QString openssl = tidewell::test::findProgram(u"openssl"_s);
    QTemporaryDir folder;
    if (openssl.isEmpty() || !QSslSocket::supportsSsl())
        return;
    const QString cert = folder.filePath(u"cert.pem"_s);
    const QString key = folder.filePath(u"key.pem"_s);
    QProcess makeCert;
    makeCert.setProcessChannelMode(QProcess::ForwardedChannels);
    makeCert.start(openssl,
                   QStringLiteral("req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes "
                                  "-days 2 -subj /CN=localhost -addext "
                                  "subjectAltName=DNS:localhost,IP:127.0.0.1")
                           .split(u' ') +
                       QStringList{u"-keyout"_s, key, u"-out"_s, cert});
    QVERIFY(makeCert.waitForFinished(30000));
    QCOMPARE(makeCert.exitCode(), 0);
    QFile keyFile(key);
    QVERIFY(keyFile.open(QIODevice::ReadOnly));
    m_serverTls = QSslConfiguration::defaultConfiguration();
    m_serverTls->setLocalCertificate(QSslCertificate::fromPath(cert).value(0));
    m_serverTls->setPrivateKey(QSslKey(&keyFile, QSsl::Ec));
    QVERIFY(!m_serverTls->localCertificate().isNull() && !m_serverTls->privateKey().isNull());
}

void PageProbeTest::cleanup()
{
    QSslConfiguration::setDefaultConfiguration(m_defaultTls);
}

void PageProbeTest::pagesAreJudged_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QString>("expected");

    const QByteArray page = "<html><head><title>Dev Server</title></head><body></body></html>";
    const QByteArray ok = "HTTP/1.1 200 OK";
    const QString devServer = u"Dev Server"_s;
    const auto served = [](const QByteArray& reply) { return Setup{.reply = reply}; };
    const auto typed = [&](const QByteArray& headers) {
        return served(httpReply(ok, headers + "\r\n", page));
    };
    const auto sized = [](qint64 size) {
        const QByteArray head = "<title>Page</title>";
        return htmlReply(head + QByteArray(size - head.size(), 'x'));
    };
    const QString sizedPage = found(u"Page"_s);
    const QByteArray small = sized(100);
    const qint64 defaultCap = PageProbe::kDefaultMaxBodyBytes;

    QTest::newRow("non-ASCII title and app marker")
        << served(htmlReply(
               "<title>Caf\xc3\xa9 \xe2\x98\x95</title><script src=\"/_next/static/c.js\"></script>"))
        << found(u"Caf\u00e9 \u2615"_s, AppType::nextjs);
    QTest::newRow("header name in capitals") << typed("CONTENT-TYPE: text/html") << found(devServer);
    QTest::newRow("html type after other text")
        << typed("Content-Type: charset=utf-8; text/html") << found(devServer);
    QTest::newRow("not-found page served as html")
        << served(httpReply("HTTP/1.1 404 Not Found", "Content-Type: text/html\r\n", page))
        << found(devServer);
    QTest::newRow("chunked body")
        << Setup{.reply = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nTransfer-Encoding: chunked\r\n"
                          "Connection: close\r\n\r\n" +
                          QByteArray::number(page.size(), 16) + "\r\n" + page + "\r\n0\r\n\r\n"}
        << found(devServer);
    QTest::newRow("empty html body") << served(htmlReply({})) << found(u"No Title"_s);
    QTest::newRow("no content type") << served(httpReply(ok, {}, page)) << kNothing;
    QTest::newRow("html type in other letter case") << typed("Content-Type: Text/HTML") << kNothing;
    QTest::newRow("xhtml type") << typed("Content-Type: application/xhtml+xml") << kNothing;
    QTest::newRow("plain text holding html") << typed("Content-Type: text/plain") << kNothing;
    QTest::newRow("html named in another header")
        << typed("Content-Type: text/plain\r\nX-Note: text/html") << kNothing;
    QTest::newRow("latin-1 body") << served(htmlReply(page + "caf\xe9")) << kNothing;
    QTest::newRow("body ends inside a character") << served(htmlReply(page + "\xe2\x98")) << kNothing;
    QTest::newRow("UTF-8 encoded surrogate") << served(htmlReply(page + "\xed\xa0\x80")) << kNothing;
    QTest::newRow("overlong encoding") << served(htmlReply(page + "\xc0\xbc")) << kNothing;
    QTest::newRow("not HTTP at all") << served("SSH-2.0-OpenSSH_9.2p1 Debian-2\r\n") << kNothing;

    QTest::newRow("body at a small cap") << Setup{.reply = sized(1000), .cap = 1000} << sizedPage;
    QTest::newRow("body one byte over a small cap") << Setup{.reply = sized(1001), .cap = 1000} << kNothing;
    QTest::newRow("body at the default cap") << served(sized(defaultCap)) << sizedPage;
    QTest::newRow("body one byte over the default cap") << served(sized(defaultCap + 1)) << kNothing;
    QTest::newRow("answer within the default timeout") << Setup{.reply = small, .delayMs = 1500} << sizedPage;
    QTest::newRow("answer within a set timeout")
        << Setup{.reply = small, .delayMs = 300, .timeoutMs = 1500} << sizedPage;
    QTest::newRow("answer after a set timeout")
        << Setup{.reply = small, .delayMs = 1500, .timeoutMs = 300} << kNothing;
    QTest::newRow("silent server") << Setup{.reply = small, .delayMs = kNever, .timeoutMs = 500} << kNothing;
    QTest::newRow("silent server, default timeout") << Setup{.reply = small, .delayMs = kNever} << kNothing;
    // Every read of an endless body is small, so only the timeout can end it.
    QTest::newRow("endless slow body") << Setup{.reply = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n",
                                                .trickle = "<p>",
                                                .timeoutMs = 500}
                                       << kNothing;

    const QByteArray storybook = htmlReply("<title>Secure</title><link href=\"./sb-manager/runtime.js\">");
    QTest::newRow("https, certificate the client accepts")
        << Setup{.reply = storybook, .tls = true, .trusted = true}
        << found(u"Secure"_s, AppType::storybook, HttpScheme::https);
    QTest::newRow("https, certificate the client does not accept")
        << Setup{.reply = storybook, .tls = true} << kNothing;
}

void PageProbeTest::pagesAreJudged()
{
    QFETCH(Setup, setup);
    QFETCH(QString, expected);
    if (setup.tls && !m_serverTls)
        QSKIP("no test certificate: openssl or Qt's TLS backend is missing");
    if (setup.trusted) {
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.addCaCertificate(m_serverTls->localCertificate());
        QSslConfiguration::setDefaultConfiguration(tls);
    }

    PageServer server(setup, setup.tls ? m_serverTls : std::nullopt);
    PageProbe probe;
    if (setup.timeoutMs != PageProbe::kDefaultTimeoutMs)
        probe.setTimeoutMs(setup.timeoutMs);
    if (setup.cap != PageProbe::kDefaultMaxBodyBytes)
        probe.setMaxBodyBytes(setup.cap);
    // At most one full timeout for each of the two schemes.
    const Outcome outcome = probeOnce(probe, server.port(), 2 * setup.timeoutMs + 3000);
    QCOMPARE(outcome.calls, 1);
    QVERIFY(outcome.onProbeThread);
    QCOMPARE(describe(outcome.page), expected);

    // Plain http is asked first; https only when plain http gave no page. (Qt itself may repeat a
    // plain request whose connection broke.)
    const QByteArray arrivals = server.arrivals();
    if (!setup.tls) {
        QVERIFY2(arrivals.startsWith('h'), arrivals.constData());
        QVERIFY2(arrivals.contains('t') == !outcome.page, arrivals.constData());
    }
    // A held connection is given its whole timeout, and not the server's whole delay.
    const QString elapsed = QString::number(outcome.elapsedMs);
    if (setup.delayMs == kNever || setup.delayMs > setup.timeoutMs || !setup.trickle.isEmpty())
        QVERIFY2(outcome.elapsedMs >= setup.timeoutMs * 9 / 10, qPrintable(elapsed));
    if (setup.delayMs > setup.timeoutMs)
        QVERIFY2(outcome.elapsedMs < setup.delayMs, qPrintable(elapsed));
}

void PageProbeTest::portTextMustBeANumber_data()
{
    // "%1" stands for the port of a live server that answers every request with a page, "%2" for
    // a port nothing listens on.
    QTest::addColumn<QString>("portText");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("the port itself") << u"%1"_s << true;
    QTest::newRow("closed port") << u"%2"_s << false;
    QTest::newRow("wildcard") << u"*"_s << false;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("letters") << u"http"_s << false;
    QTest::newRow("negative") << u"-1"_s << false;
    QTest::newRow("out of range") << u"65536"_s << false;
    QTest::newRow("with a path") << u"%1/../x"_s << false;
    QTest::newRow("with a slash") << u"%1/"_s << false;
    QTest::newRow("with a query") << u"%1?x=1"_s << false;
    QTest::newRow("with a fragment") << u"%1#top"_s << false;
    QTest::newRow("with a user part") << u"%1@127.0.0.1:%1"_s << false;
    QTest::newRow("leading space") << u" %1"_s << false;
    QTest::newRow("trailing space") << u"%1 "_s << false;
}

void PageProbeTest::portTextMustBeANumber()
{
    QFETCH(QString, portText);
    QFETCH(bool, accepted);

    PageServer server(Setup{.reply = htmlReply("<title>Served</title>")});
    QString closedPort;
    {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        closedPort = QString::number(closed.serverPort());
    }
    PageProbe probe;
    const QString port = QString(portText).replace(u"%1"_s, server.port());
    // A refused connection or a rejected text is an answer at once, not at the timeout.
    const Outcome outcome =
        probeOnce(probe, QString(port).replace(u"%2"_s, closedPort), PageProbe::kDefaultTimeoutMs - 500);
    QCOMPARE(outcome.calls, 1);
    QCOMPARE(describe(outcome.page), accepted ? found(u"Served"_s) : kNothing);
    if (!accepted)
        QCOMPARE(server.arrivals(), QByteArray());
}

QTEST_GUILESS_MAIN(PageProbeTest)
#include "tst_pageprobe.moc"
