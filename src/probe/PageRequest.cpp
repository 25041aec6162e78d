#include "probe/PageRequest.h"

#include "probe/NumericAddress.h"
#include "probe/PlainPageConnection.h"

#include <algorithm>

namespace tidewell {

namespace {

// Bytes taken from the kernel before the parser has seen them: a flood waits in the kernel instead.
constexpr qint64 kReadBufferBytes = 256 * 1024;

// Percent-encoded, a target or host holds no space, control byte or line break: anything else
// could end the request line and begin another request.
bool isRequestText(const QByteArray& text)
{
    return !text.isEmpty() &&
           std::all_of(text.cbegin(), text.cend(), [](char c) { return c > ' ' && c < 127; });
}

} // namespace

PageRequest::PageRequest(const QUrl& url, const Limits& limits, SecureConnector secure, Done done,
                         QObject* parent)
    : QObject(parent), m_url(url), m_limits(limits), m_secure(std::move(secure)), m_done(std::move(done)),
      m_parser({limits.maxHeaderBytes, limits.maxBodyBytes})
{
    // "localhost" is the loopback addresses; any other name is not asked for (redirects lead only to
    // this machine's addresses).
    if (NumericAddress::parse(url.host()))
        m_addresses = {url.host()};
    else if (url.host() == QLatin1String("localhost"))
        m_addresses = limits.localhostAddresses.isEmpty()
                          ? QStringList{QStringLiteral("127.0.0.1"), QStringLiteral("::1")}
                          : limits.localhostAddresses;
    m_idle.setSingleShot(true);
    connect(&m_idle, &QTimer::timeout, this, [this] { finish(Ending::failed); });
    m_idle.start(limits.idleTimeoutMs);
    // Never calls back from within the constructor, even when the connection is refused at once.
    QTimer::singleShot(0, this, &PageRequest::connectNext);
}

PageRequest::~PageRequest()
{
    abort();
}

void PageRequest::abort()
{
    m_done = {};
    m_idle.stop();
    closeSocket();
}

// Connects to the next address in turn.
void PageRequest::connectNext()
{
    if (!m_done)
        return;
    closeSocket();
    m_connected = false;
    if (m_nextAddress >= m_addresses.size()) {
        finish(Ending::failed);
        return;
    }
    const bool tls = m_url.scheme() == QLatin1String("https");
    PageConnection::Target target;
    target.address = m_addresses.at(m_nextAddress++);
    target.port = quint16(m_url.port(tls ? 443 : 80));
    target.peerName = m_url.host();
    target.extraCertificates = m_limits.extraCertificates;
    target.readBufferBytes = kReadBufferBytes;
    PageConnection::Handlers handlers;
    handlers.ready = [this] { sendRequest(); };
    handlers.readable = [this] { readReply(); };
    handlers.failed = [this](PageConnection::Failure failure) { connectionFailed(failure); };
    handlers.untrusted = [this] { m_untrusted = true; };
    if (!tls)
        m_connection = std::make_unique<PlainPageConnection>(target, std::move(handlers));
    else if (m_secure)
        m_connection = m_secure(target, std::move(handlers));
    if (!m_connection)
        finish(Ending::failed);
}

void PageRequest::sendRequest()
{
    m_connected = true;
    m_idle.start();
    QByteArray target = m_url.path(QUrl::FullyEncoded).toLatin1();
    if (target.isEmpty())
        target = "/";
    if (m_url.hasQuery())
        target += '?' + m_url.query(QUrl::FullyEncoded).toLatin1();
    const QByteArray host = m_url.adjusted(QUrl::RemoveUserInfo).authority(QUrl::FullyEncoded).toLatin1();
    if (!isRequestText(target) || !isRequestText(host)) {
        finish(Ending::failed);
        return;
    }
    // Uncompressed, so that the body cap counts what the page holds.
    m_connection->write(
        "GET " + target + " HTTP/1.1\r\nHost: " + host +
        "\r\nAccept: text/html, */*\r\nAccept-Encoding: identity\r\nConnection: close\r\n\r\n");
}

void PageRequest::readReply()
{
    m_idle.start();
    m_parser.feed(m_connection->readAll());
    judge();
}

void PageRequest::connectionFailed(PageConnection::Failure failure)
{
    using Failure = PageConnection::Failure;
    if (!m_connected) {
        // Refused at one address of "localhost": the server may listen at the other.
        if (failure == Failure::refused && m_nextAddress < m_addresses.size())
            connectNext();
        else
            finish(Ending::failed);
        return;
    }
    if (failure != Failure::closed) {
        finish(Ending::failed);
        return;
    }
    // The server closed: what it sent last is read first, then the close may end the body.
    m_parser.feed(m_connection->readAll());
    judge();
    if (m_done) {
        m_parser.endOfInput();
        judge();
    }
}

void PageRequest::judge()
{
    using State = HttpReplyParser::State;
    if (!m_done)
        return;
    if (m_parser.headersComplete() && !m_headersJudged) {
        m_headersJudged = true;
        if (isRedirect(m_parser.status()) && !m_parser.headerValue("Location").isEmpty()) {
            finish(Ending::complete);
            return;
        }
        // Decided on the headers, so a large reply that is not a page is never read. The name is
        // found whatever its letter case; the value test stays case-sensitive.
        if (!m_parser.headerValue("Content-Type").contains("text/html")) {
            finish(Ending::rejected);
            return;
        }
    }
    if (m_parser.state() == State::complete)
        finish(Ending::complete);
    else if (m_parser.state() == State::failed)
        finish(m_parser.failure() == HttpReplyParser::Failure::bodyTooLarge ? Ending::rejected
                                                                            : Ending::failed);
}

// The receiver may free this request: nothing of it is touched after `done`.
void PageRequest::finish(Ending ending)
{
    Done done = std::exchange(m_done, {});
    if (!done)
        return;
    m_idle.stop();
    closeSocket();
    Reply reply;
    reply.ending = ending;
    reply.status = m_parser.status();
    reply.untrusted = m_untrusted;
    if (ending == Ending::complete && isRedirect(reply.status))
        reply.location = m_parser.headerValue("Location");
    else if (ending == Ending::complete)
        reply.body = m_parser.body();
    done(reply);
}

void PageRequest::closeSocket()
{
    if (!m_connection)
        return;
    // Nothing the closing connection reports reaches this request any more; it may be the caller.
    m_connection->close();
    m_connection.release()->deleteLater();
}

} // namespace tidewell
