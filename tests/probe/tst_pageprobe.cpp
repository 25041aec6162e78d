#include "probe/PageProbe.h"
#include "support/TestProcesses.h"

#include <QElapsedTimer>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <memory>

using namespace tidewell;
using namespace Qt::StringLiterals;

namespace {

constexpr int kNever = -1;

QString describe(const std::optional<HTMLData>& page, bool noAnswer = false)
{
    if (!page)
        return noAnswer ? QStringLiteral("no answer") : QStringLiteral("no page");
    return QStringLiteral("title \"%1\", %2, %3, %4")
        .arg(page->title, appTypeText(page->appType), httpSchemeText(page->scheme),
             page->favicon ? QStringLiteral("favicon ") + *page->favicon : QStringLiteral("no favicon"));
}

QString found(const QString& title, AppType type = AppType::unknown, HttpScheme scheme = HttpScheme::http)
{
    return describe(HTMLData{title, type, std::nullopt, scheme});
}

const QString kNothing = describe(std::nullopt);

// Nothing, and worth asking again: no reply arrived in time.
const QString kNoAnswer = describe(std::nullopt, true);

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
    bool described = false;
    bool noAnswer = false;
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
        outcome->page = result.page;
        outcome->described = result.described;
        outcome->noAnswer = result.noAnswer;
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
    bool tls = false;          // the server speaks only TLS, with a self-signed certificate
    bool floodHeaders = false; // after the status line, header lines as fast as the client reads
    bool keepAlive = false;    // the server leaves the connection open after its reply
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
        if (m_setup.floodHeaders) {
            socket->write("HTTP/1.1 200 OK\r\n");
            const auto refill = [socket] {
                while (socket->bytesToWrite() < 1024 * 1024)
                    socket->write("X-Filler: " + QByteArray(1000, 'a') + "\r\n");
            };
            QObject::connect(socket, &QTcpSocket::bytesWritten, socket, refill);
            refill();
            return;
        }
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
        QTest::newRow("empty html body") << served(htmlReply({})) << found(u"No Title"_s);
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
        QTest::newRow("html type in other letter case")
            << typed("Content-Type: Text/HTML") << found(devServer);
        QTest::newRow("xhtml type") << typed("Content-Type: application/xhtml+xml")
                                    << found(u"application/xhtml+xml"_s);
        QTest::newRow("plain text holding html")
            << typed("Content-Type: text/plain") << found(u"text/plain"_s);
        QTest::newRow("html named in another header")
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
        QTest::newRow("charset in a meta tag")
            << served(httpReply(ok, "Content-Type: text/html\r\n",
                                "<meta charset=\"koi8-r\"><title>\xf0\xd2\xc9\xd7\xc5\xd4</title>"))
            << found(u"\u041f\u0440\u0438\u0432\u0435\u0442"_s);
        QTest::newRow("Shift JIS declared in the header")
            << served(httpReply(ok, "Content-Type: text/html; charset=Shift_JIS\r\n",
                                "<title>\x93\xfa\x96\x7b</title>"))
            << found(u"\u65e5\u672c"_s);
        QTest::newRow("unknown charset: UTF-8")
            << served(httpReply(ok, "Content-Type: text/html; charset=no-such-set\r\n",
                                "<title>Caf\xc3\xa9</title>"))
            << found(u"Caf\u00e9"_s);
        QTest::newRow("body ends inside a character")
            << served(htmlReply(page + "\xe2\x98")) << found(devServer);
        // A banner and a closed connection look like a server that broke off: asked again later.
        QTest::newRow("not HTTP at all") << served("SSH-2.0-OpenSSH_9.2p1 Debian-2\r\n") << kNoAnswer;
        QTest::newRow("body at a small cap") << Setup{.reply = sized(1000), .cap = 1000} << sizedPage;
        // More than the connection takes from the kernel at once: reading goes on as it is emptied.
        QTest::newRow("body larger than the read buffer")
            << Setup{.reply = sized(900'000), .idleMs = 3000} << sizedPage;
        // A longer page is read from its first bytes, as far as the cap, and no further.
        QTest::newRow("body one byte over a small cap")
            << Setup{.reply = sized(1001), .cap = 1000} << sizedPage;
        QTest::newRow("title after the cap")
            << Setup{.reply = htmlReply(QByteArray(1000, ' ') + "<title>Late</title>"), .cap = 1000}
            << found(u"No Title"_s);
        // A compressed body is read as the page it holds, and the cap counts what it holds.
        const auto deflated = [&](const QByteArray& html) {
            return httpReply(ok, "Content-Type: text/html\r\nContent-Encoding: deflate\r\n",
                             qCompress(html).mid(4));
        };
        const QByteArray bigPage = "<title>Page</title>" + QByteArray(5000, ' ');
        QTest::newRow("compressed page") << served(deflated(bigPage)) << sizedPage;
        QTest::newRow("compressed page over the cap once inflated")
            << Setup{.reply = deflated(bigPage), .cap = 1000} << sizedPage;
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
        QTest::newRow("slow first page") << Setup{.reply = small, .delayMs = 3500} << sizedPage;
        QTest::newRow("answer within a deadline")
            << Setup{.reply = small, .delayMs = 300, .deadlineMs = 1500} << sizedPage;
        QTest::newRow("answer after the deadline")
            << Setup{.reply = small, .delayMs = 1500, .deadlineMs = 300} << kNoAnswer;
        QTest::newRow("silent past the idle timeout")
            << Setup{.reply = small, .delayMs = kNever, .idleMs = 500} << kNoAnswer;
        // Every read of an endless body is small, so only the deadline can end it.
        QTest::newRow("endless slow body")
            << Setup{.reply = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n",
                     .trickle = "<p>",
                     .deadlineMs = 500}
            << kNoAnswer;
        // Sign-in and locale redirects are followed on this machine, and nowhere else.
        QTest::newRow("redirect to a path") << Setup{.reply = small, .redirectTo = "/login"} << sizedPage;
        QTest::newRow("redirect to a loopback address")
            << Setup{.reply = small, .redirectTo = "http://127.0.0.1:%PORT%/en"} << sizedPage;
        // One that leads elsewhere is shown as leading there.
        QTest::newRow("redirect off this machine")
            << Setup{.reply = small, .redirectTo = "http://0.0.0.0:%PORT%/login"}
            << found(u"redirects to 0.0.0.0"_s);
        QTest::newRow("redirect to another host")
            << Setup{.reply = small, .redirectTo = "https://sso.example.com/login"}
            << found(u"redirects to sso.example.com"_s);
        QTest::newRow("redirect to a file")
            << Setup{.reply = small, .redirectTo = "file:///etc/passwd"} << found(u"redirects to file://"_s);
        QTest::newRow("endless redirects")
            << Setup{.reply = small, .redirectTo = "/again", .redirectAlways = true}
            << found(u"redirects to localhost"_s);
        const QByteArray storybook =
            htmlReply("<title>Secure</title><link href=\"./sb-manager/runtime.js\">");
        // A development server signs its own certificate, and it is on this machine.
        QTest::newRow("https, the server's own certificate")
            << Setup{.reply = storybook, .tls = true}
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
        QTEST(describe(outcome.page, outcome.noAnswer), "expected");
        // Whatever the ending, nothing more is read: the probe holds no connection open. (The server's
        // side learns of the close on its own schedule, which a busy machine stretches.)
        QTRY_COMPARE_WITH_TIMEOUT(server.openConnections(), 0, 120'000);
        // Plain http is asked first; https only when plain http gave no page (a reply described
        // instead of a page included). (Qt itself may repeat a plain request whose connection broke.)
        const QByteArray arrivals = server.arrivals();
        if (!setup.tls) {
            QVERIFY2(arrivals.startsWith('h'), arrivals.constData());
            // A deadline covers both schemes: once it has passed, https is not asked.
            const bool deadlinePassed = setup.deadlineMs > 0 && outcome.noAnswer;
            const bool page = outcome.page && !outcome.described;
            QVERIFY2(arrivals.contains('t') == (!page && !deadlinePassed), arrivals.constData());
        }
        // A held connection is given its whole timeout (that it is not given the server's whole delay
        // shows in the answer missed).
        if (setup.delayMs == kNever || setup.delayMs > timeoutMs || !setup.trickle.isEmpty())
            QVERIFY2(outcome.elapsedMs >= timeoutMs * 9 / 10, qPrintable(QString::number(outcome.elapsedMs)));
    }

    // Only a decimal port number names a page; any other text is turned down at once, asking no one. A
    // refused connection is an answer at once too, not at the timeout.
    void portTextMustBeANumber()
    {
        PageServer server(Setup{.reply = htmlReply("<title>Served</title>")});
        // Held, not listening: no server of another test can take the port meanwhile.
        QTcpSocket closed;
        QVERIFY(closed.bind(QHostAddress::LocalHost, 0, QAbstractSocket::DontShareAddress));
        PageProbe probe;
        const auto ask = [&probe](const QString& port, const QString& host = {}) {
            const Outcome outcome = probeOnce(probe, port, 2500, host);
            return outcome.calls == 1 ? describe(outcome.page, outcome.noAnswer)
                                      : u"answered %1 times"_s.arg(outcome.calls);
        };
        const QString port = server.port();
        for (const QString& text : {u"*"_s, QString(), u"65536"_s, port + u"/../x"_s, port + u' '})
            QVERIFY2(ask(text) == kNothing, qPrintable(text));
        QCOMPARE(server.arrivals(), QByteArray());
        QCOMPARE(ask(port), found(u"Served"_s));
        QCOMPARE(ask(QString::number(closed.localPort()), u"127.0.0.1"_s), kNoAnswer);
    }

    void floodingPortHoldsUpNoOther()
    {
        constexpr int kDeadlineMs = 5000;
        QHash<QString, QString> results;
        QStringList order; // of the answers
        PageServer flood(Setup{.floodHeaders = true});
        // And one that takes the request and never answers: only the deadline ends it.
        PageServer silent(Setup{.delayMs = kNever});
        std::vector<std::unique_ptr<PageServer>> servers;
        PageProbe probe;
        probe.setDeadlineMs(kDeadlineMs);
        const auto ask = [&](const QString& port) {
            probe.fetchHTMLData(port, [&, port](const PageProbe::Outcome& outcome) {
                results.insert(port, describe(outcome.page, outcome.noAnswer));
                order.append(port);
            });
        };
        // Asked first, so that a probe queued behind them would show.
        ask(flood.port());
        ask(silent.port());
        for (int i = 0; i < 3; ++i) {
            servers.push_back(
                std::make_unique<PageServer>(Setup{.reply = htmlReply("<title>Ordinary</title>")}));
            ask(servers.back()->port());
        }
        QTRY_COMPARE_WITH_TIMEOUT(results.size(), 5, 4 * kDeadlineMs);
        // The ordinary pages are in before the deadline ends the two others.
        for (const auto& server : servers) {
            QCOMPARE(results.value(server->port()), found(u"Ordinary"_s));
            QVERIFY2(order.indexOf(server->port()) < 3, qPrintable(order.join(u' ')));
        }
        QCOMPARE(results.value(flood.port()), kNoAnswer);
        QCOMPARE(results.value(silent.port()), kNoAnswer);
        // Nothing more is read from them (the servers learn of the close on a busy machine's schedule).
        QTRY_COMPARE_WITH_TIMEOUT(flood.openConnections(), 0, 120'000);
        QTRY_COMPARE_WITH_TIMEOUT(silent.openConnections(), 0, 120'000);
    }

    void asksTheListedAddress_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<bool>("bothFamilies");
        QTest::addColumn<bool>("tls");
        QTest::addColumn<QString>("expected");
        QTest::newRow("IPv4 loopback") << u"127.0.0.1"_s << true << false << found(u"four"_s);
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
        // is held by a server, or by a socket that does not listen and so refuses, so that no other
        // program's server on that port can answer in its place.
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
        QTEST(describe(outcome.page, outcome.noAnswer), "expected");
    }

private:
    QSslConfiguration m_defaultTls;
    std::optional<QSslConfiguration> m_serverTls;
};

QTEST_GUILESS_MAIN(PageProbeTest)
#include "tst_pageprobe.moc"
