#include "probe/PageProbe.h"
#include "support/TestProcesses.h"

#include <QElapsedTimer>
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

QString describe(const PageProbe::Outcome& outcome)
{
    const std::optional<HTMLData>& page = outcome.page;
    if (!page)
        return outcome.noAnswer ? QStringLiteral("no answer") : QStringLiteral("no page");
    return QStringLiteral("title \"%1\", %2, %3, %4")
        .arg(page->title, appTypeText(page->appType), httpSchemeText(page->scheme),
             page->favicon ? QStringLiteral("favicon ") + *page->favicon : QStringLiteral("no favicon"));
}

QString found(const QString& title, AppType type = AppType::unknown, HttpScheme scheme = HttpScheme::http)
{
    return describe({HTMLData{title, type, std::nullopt, scheme}});
}

const QString kNothing = describe({});

// Nothing, and worth asking again: no reply arrived in time.
const QString kNoAnswer = describe({.page = std::nullopt, .described = false, .noAnswer = true});

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
    PageProbe::Outcome result;
    qint64 elapsedMs = -1;
};

// Asks `port` and waits up to `waitMs` for the answer, then lets everything already queued run
// (deferred deletes included) so that a late second answer shows in `calls`.
Outcome probeOnce(PageProbe& probe, const QString& port, int waitMs, const QString& host = {})
{
    auto outcome = std::make_shared<Outcome>();
    QElapsedTimer clock;
    clock.start();
    QThread* const probeThread = probe.thread();
    probe.fetchHTMLData(port, host, [outcome, clock, probeThread](const PageProbe::Outcome& result) {
        if (++outcome->calls == 1)
            outcome->elapsedMs = clock.elapsed();
        outcome->onProbeThread = outcome->onProbeThread && QThread::currentThread() == probeThread;
        outcome->result = result;
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
    int delayMs = 0;            // kNever: the server never answers
    QByteArray trickle = {};    // sent every 100 ms after the reply for as long as the client stays
    QByteArray redirectTo = {}; // the first request gets "302 Found" with this Location
    bool redirectAlways = false;
    int deadlineMs = 0; // none, as in the window
    int idleMs = PageProbe::kDefaultIdleTimeoutMs;
    qint64 cap = PageProbe::kDefaultMaxBodyBytes;
    bool tls = false;       // the server speaks only TLS, with a self-signed certificate
    bool keepAlive = false; // the server leaves the connection open after its reply
    QHostAddress address = QHostAddress(QHostAddress::LocalHost);
    quint16 port = 0;
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
        m_server->listen(setup.address, setup.port);
    }

    QString port() const { return QString::number(m_server->serverPort()); }
    QByteArray arrivals() const { return m_arrivals; }
    int openConnections() const { return m_open; }

private:
    void accept()
    {
        while (QTcpSocket* socket = m_server->nextPendingConnection()) {
            auto request = std::make_shared<QByteArray>();
            ++m_open;
            QObject::connect(socket, &QTcpSocket::disconnected, socket, [this, socket] {
                --m_open;
                socket->deleteLater();
            });
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, request] {
                const bool wasComplete = request->contains("\r\n\r\n");
                request->append(socket->readAll());
                if (request->startsWith('\x16')) {
                    m_arrivals += 't';
                    socket->abort();
                } else if (!wasComplete && request->contains("\r\n\r\n")) {
                    m_arrivals += 'h';
                    if (!m_setup.redirectTo.isEmpty() && (m_setup.redirectAlways || m_arrivals == "h")) {
                        socket->write("HTTP/1.1 302 Found\r\nLocation: " +
                                      QByteArray(m_setup.redirectTo).replace("%PORT%", port().toUtf8()) +
                                      "\r\nContent-Type: text/plain\r\nContent-Length: 0\r\n\r\n");
                        request->clear();
                        return;
                    }
                    if (m_setup.delayMs != kNever)
                        QTimer::singleShot(m_setup.delayMs, socket, [this, socket] { answer(socket); });
                }
            });
        }
    }

    void answer(QTcpSocket* socket)
    {
        socket->write(m_setup.reply);
        if (m_setup.keepAlive)
            return;
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
    int m_open = 0;
};

} // namespace

Q_DECLARE_METATYPE(Setup)

class PageProbeTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        m_defaultTls = QSslConfiguration::defaultConfiguration();
        const QString openssl = tidewell::test::findProgram(u"openssl"_s);
        QTemporaryDir folder;
        if (openssl.isEmpty() || !QSslSocket::supportsSsl())
            return;
        const QString cert = folder.filePath(u"cert.pem"_s);
        const QString key = folder.filePath(u"key.pem"_s);
        const QString options =
            u"req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 -subj "
            "/CN=localhost -addext subjectAltName=DNS:localhost,IP:127.0.0.1"_s;
        const tidewell::test::ProgramRun made = tidewell::test::runProgram(
            openssl, options.split(u' ') + QStringList{u"-keyout"_s, key, u"-out"_s, cert});
        QVERIFY2(made.exitCode == 0, made.err.constData());
        m_serverTls = QSslConfiguration::defaultConfiguration();
        m_serverTls->setLocalCertificate(QSslCertificate::fromPath(cert).value(0));
        m_serverTls->setPrivateKey(QSslKey(tidewell::test::fileContent(key), QSsl::Ec));
        QVERIFY(!m_serverTls->localCertificate().isNull() && !m_serverTls->privateKey().isNull());
    }

    void cleanup() { QSslConfiguration::setDefaultConfiguration(m_defaultTls); }

    void pagesAreJudged_data()
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
        // The body ends inside a character, as one cut at the cap can: the title is still read as UTF-8.
        QTest::newRow("non-ASCII title and app marker")
            << served(htmlReply(
                   "<title>Caf\xc3\xa9 \xe2\x98\x95</title><script src=\"/_next/static/c.js\"></script>"
                   "\xe2\x98"))
            << found(u"Caf\u00e9 \u2615"_s, AppType::nextjs);
        // Any status, any letter case of the header and its value, anywhere in the value.
        QTest::newRow("html type as written by other servers")
            << served(httpReply("HTTP/1.1 404 Not Found", "CONTENT-TYPE: charset=utf-8; Text/HTML\r\n", page))
            << found(devServer);
        // Development servers keep connections alive; the probe closes its own once it has the page.
        QTest::newRow("server keeps the connection")
            << Setup{.reply = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
                              QByteArray::number(page.size()) + "\r\n\r\n" + page,
                     .keepAlive = true}
            << found(devServer);
        // A reply that is no page is shown as what it is, so that the server is listed all the same.
        QTest::newRow("no content type") << served(httpReply(ok, {}, page)) << found(u"HTTP 200"_s);
        QTest::newRow("JSON API") << typed("Content-Type: application/json; charset=utf-8")
                                  << found(u"JSON API"_s);
        QTest::newRow("JSON problem report")
            << served(httpReply("HTTP/1.1 404 Not Found", "Content-Type: application/problem+json\r\n", "{}"))
            << found(u"JSON API"_s);
        QTest::newRow("plain text, html in its body and another header")
            << typed("Content-Type: text/plain\r\nX-Note: text/html") << found(u"text/plain"_s);
        QTest::newRow("type that is no media type")
            << typed("Content-Type: \x1b[31mred") << found(u"HTTP 200"_s);
        // A page is read in the charset it declares, else as UTF-8 when it is, else as Latin-1.
        const QByteArray cafe = "<title>Caf\xe9 \x80</title>";
        const QString cafeTitle = u"Caf\u00e9 \u20ac"_s;
        QTest::newRow("Latin-1 page, declared")
            << served(httpReply(ok, "Content-Type: text/html; charset=\"iso-8859-1\"\r\n", cafe))
            << found(cafeTitle);
        QTest::newRow("Latin-1 page, declared as UTF-8") << served(htmlReply(cafe)) << found(cafeTitle);
        QTest::newRow("Shift JIS page, declared")
            << served(httpReply(ok, "Content-Type: text/html; charset=Shift_JIS\r\n",
                                "<title>\x93\xfa\x96\x7b</title>"))
            << found(u"\u65e5\u672c"_s);
        // A charset no decoder knows counts as none: the page's own declaration is read instead.
        QTest::newRow("unknown charset, charset in a meta tag")
            << served(httpReply(ok, "Content-Type: text/html; charset=no-such-set\r\n",
                                "<meta charset=\"koi8-r\"><title>\xf0\xd2\xc9\xd7\xc5\xd4</title>"))
            << found(u"\u041f\u0440\u0438\u0432\u0435\u0442"_s);
        // A banner and a closed connection look like a server that broke off: asked again later.
        QTest::newRow("not HTTP at all") << served("SSH-2.0-OpenSSH_9.2p1 Debian-2\r\n") << kNoAnswer;
        // More than the connection takes from the kernel at once: reading goes on as it is emptied.
        QTest::newRow("body larger than the read buffer")
            << Setup{.reply = sized(900'000), .idleMs = 3000} << sizedPage;
        // A longer page is read from its first bytes, as far as the cap, and no further.
        QTest::newRow("app marker after a small cap")
            << Setup{.reply = htmlReply("<title>Page</title>" + QByteArray(1000, ' ') + "/_next/static/"),
                     .cap = 1000}
            << sizedPage;
        // A compressed body is read as the page it holds.
        QTest::newRow("compressed page")
            << served(httpReply(ok, "Content-Type: text/html\r\nContent-Encoding: deflate\r\n",
                                qCompress("<title>Page</title>" + QByteArray(5000, ' ')).mid(4)))
            << sizedPage;
        // Past the header cap the reply counts as none, as a broken one does.
        const auto headed = [&](qint64 headerBytes) {
            const QByteArray body = "<title>Page</title>";
            const auto build = [&](qint64 pad) {
                return httpReply(ok, "Content-Type: text/html\r\nX-Pad: " + QByteArray(pad, 'x') + "\r\n",
                                 body);
            };
            return served(build(headerBytes - (build(0).size() - body.size())));
        };
        QTest::newRow("headers at the cap") << headed(PageProbe::kMaxHeaderBytes) << sizedPage;
        QTest::newRow("headers one byte over the cap") << headed(PageProbe::kMaxHeaderBytes + 1) << kNoAnswer;
        // A dev server compiling its first page is silent for seconds; only silence longer than the idle
        // timeout, or a caller's deadline, gives up on it.
        QTest::newRow("slow first page, within a deadline")
            << Setup{.reply = small, .delayMs = 3500, .deadlineMs = 10'000} << sizedPage;
        QTest::newRow("silent past the idle timeout")
            << Setup{.reply = small, .delayMs = kNever, .idleMs = 500} << kNoAnswer;
        // Every read of an endless body is small, so only the deadline can end it.
        QTest::newRow("endless slow body")
            << Setup{.reply = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n",
                     .trickle = "<p>",
                     .deadlineMs = 500}
            << kNoAnswer;
        // Sign-in and locale redirects are followed on this machine, and nowhere else.
        QTest::newRow("redirect to a loopback address")
            << Setup{.reply = small, .redirectTo = "http://127.0.0.1:%PORT%/en"} << sizedPage;
        // One that leads elsewhere is shown as leading there.
        QTest::newRow("redirect off this machine")
            << Setup{.reply = small, .redirectTo = "http://0.0.0.0:%PORT%/login"}
            << found(u"redirects to 0.0.0.0"_s);
        QTest::newRow("redirect to a file")
            << Setup{.reply = small, .redirectTo = "file:///etc/passwd"} << found(u"redirects to file://"_s);
        QTest::newRow("endless redirects to a path")
            << Setup{.reply = small, .redirectTo = "/again", .redirectAlways = true}
            << found(u"redirects to localhost"_s);
        // A development server signs its own certificate, and it is on this machine.
        QTest::newRow("https, the server's own certificate")
            << Setup{.reply = htmlReply("<title>Secure</title><link href=\"./sb-manager/runtime.js\">"),
                     .tls = true}
            << found(u"Secure"_s, AppType::storybook, HttpScheme::https);
    }

    void pagesAreJudged()
    {
        QFETCH(Setup, setup);
        if (setup.tls && !m_serverTls)
            QSKIP("no test certificate: openssl or Qt's TLS backend is missing");
        PageServer server(setup, setup.tls ? m_serverTls : std::nullopt);
        PageProbe probe;
        probe.setDeadlineMs(setup.deadlineMs);
        probe.setIdleTimeoutMs(setup.idleMs);
        probe.setMaxBodyBytes(setup.cap);
        const int timeoutMs = setup.deadlineMs > 0 ? setup.deadlineMs : std::min(setup.idleMs, 10'000);
        // At most one full timeout for each of the two schemes.
        const Outcome outcome =
            probeOnce(probe, server.port(), 2 * timeoutMs + std::max(setup.delayMs, 0) + 3000);
        QCOMPARE(outcome.calls, 1);
        QVERIFY(outcome.onProbeThread);
        QTEST(describe(outcome.result), "expected");
        // Whatever the ending, the probe holds no connection open; the server may learn of a close late
        // on a loaded machine.
        QTRY_COMPARE_WITH_TIMEOUT(server.openConnections(), 0, 120'000);
        // Plain http is asked first; https only when it gave no page (a described reply is none).
        const QByteArray arrivals = server.arrivals();
        if (!setup.tls) {
            QVERIFY2(arrivals.startsWith('h'), arrivals.constData());
            // A deadline covers both schemes: once it has passed, https is not asked.
            const bool deadlinePassed = setup.deadlineMs > 0 && outcome.result.noAnswer;
            const bool page = outcome.result.page && !outcome.result.described;
            QVERIFY2(arrivals.contains('t') == (!page && !deadlinePassed), arrivals.constData());
        }
        // A held connection is given its whole timeout.
        if (setup.delayMs == kNever || setup.delayMs > timeoutMs || !setup.trickle.isEmpty())
            QVERIFY2(outcome.elapsedMs >= timeoutMs * 9 / 10, qPrintable(QString::number(outcome.elapsedMs)));
    }

    // Only a decimal port number names a page; any other text is turned down at once, asking no one. A
    // refused connection is an answer at once too, not at the timeout.
    void portTextMustBeANumber()
    {
        PageServer server(Setup{.reply = htmlReply("<title>Served</title>")});
        QTcpSocket closed; // holds a port on which no one listens
        QVERIFY(closed.bind(QHostAddress::LocalHost, 0, QAbstractSocket::DontShareAddress));
        PageProbe probe;
        const auto ask = [&probe](const QString& port, const QString& host = {}) {
            const Outcome outcome = probeOnce(probe, port, 2500, host);
            return outcome.calls == 1 ? describe(outcome.result) : u"answered %1 times"_s.arg(outcome.calls);
        };
        const QString port = server.port();
        for (const QString& text : {u"*"_s, QString(), u"65536"_s, port + u"/../x"_s, port + u' '})
            QVERIFY2(ask(text) == kNothing, qPrintable(text));
        QCOMPARE(server.arrivals(), QByteArray());
        QCOMPARE(ask(port), found(u"Served"_s));
        QCOMPARE(ask(QString::number(closed.localPort()), u"127.0.0.1"_s), kNoAnswer);
    }

    // A port that never answers, asked first, holds up no page asked after it.
    void silentPortHoldsUpNoOther()
    {
        constexpr int kDeadlineMs = 5000;
        PageServer silent(Setup{.delayMs = kNever});
        PageServer ordinary(Setup{.reply = htmlReply("<title>Ordinary</title>")});
        PageProbe probe;
        probe.setDeadlineMs(kDeadlineMs);
        QStringList answers; // in the order they came
        for (const PageServer* server : {&silent, &ordinary}) {
            probe.fetchHTMLData(server->port(), [&answers](const PageProbe::Outcome& outcome) {
                answers.append(describe(outcome));
            });
        }
        QTRY_COMPARE_WITH_TIMEOUT(answers.size(), 2, 4 * kDeadlineMs);
        QCOMPARE(answers, (QStringList{found(u"Ordinary"_s), kNoAnswer}));
        // Nothing more is read from it (the server learns of the close on a busy machine's schedule).
        QTRY_COMPARE_WITH_TIMEOUT(silent.openConnections(), 0, 120'000);
    }

    void asksTheListedAddress_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<bool>("bothFamilies");
        QTest::addColumn<bool>("tls");
        QTest::addColumn<QString>("expected");
        QTest::newRow("IPv6 loopback") << u"[::1]"_s << true << false << found(u"six"_s);
        // Refused on IPv4, the other loopback address is asked, over either scheme.
        QTest::newRow("any address, served on IPv6 only") << u"*"_s << false << false << found(u"six"_s);
        QTest::newRow("https, any address, served on IPv6 only")
            << u"*"_s << false << true << found(u"six"_s, AppType::unknown, HttpScheme::https);
    }

    void asksTheListedAddress()
    {
        QFETCH(QString, host);
        QFETCH(bool, bothFamilies);
        QFETCH(bool, tls);
        if (tls && !m_serverTls)
            QSKIP("no test certificate: openssl or Qt's TLS backend is missing");
        // One port, the test's on both loopback addresses: only the address tells them apart. On IPv4 it
        // is held by a server, or by a socket that does not listen and so refuses.
        std::optional<PageServer> four;
        QTcpSocket refusing;
        if (bothFamilies)
            four.emplace(Setup{.reply = htmlReply("<title>four</title>")});
        else
            QVERIFY(refusing.bind(QHostAddress::LocalHost, 0, QAbstractSocket::DontShareAddress));
        const QString port = four ? four->port() : QString::number(refusing.localPort());
        PageServer six(Setup{.reply = htmlReply("<title>six</title>"),
                             .tls = tls,
                             .address = QHostAddress(QHostAddress::LocalHostIPv6),
                             .port = port.toUShort()},
                       tls ? m_serverTls : std::nullopt);
        if (six.port() != port)
            QSKIP("no IPv6 loopback, or its port is taken there");
        PageProbe probe;
        const Outcome outcome = probeOnce(probe, six.port(), 10'000, host);
        QTEST(describe(outcome.result), "expected");
    }

private:
    QSslConfiguration m_defaultTls;
    std::optional<QSslConfiguration> m_serverTls;
};

QTEST_GUILESS_MAIN(PageProbeTest)
#include "tst_pageprobe.moc"
