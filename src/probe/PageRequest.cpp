#include "probe/PageRequest.h"

#include <QNetworkProxy>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTcpSocket>
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

PageRequest::PageRequest(const QUrl& url, const Limits& limits, Done done, QObject* parent)
    : QObject(parent), m_url(url), m_limits(limits), m_done(std::move(done)),
      m_parser({limits.maxHeaderBytes, limits.maxBodyBytes})
{
    const QHostAddress literal(url.host());
    if (!literal.isNull())
        m_addresses = {literal};
    else if (url.host() == QLatin1String("localhost"))
        m_addresses = limits.localhostAddresses;
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

// Connects to the next address in turn, or to the name when no address is known.
void PageRequest::connectNext()
{
    if (!m_done)
        return;
    closeSocket();
    m_connected = false;
    const bool tls = m_url.scheme() == QLatin1String("https");
    QTcpSocket* const socket = tls ? new QSslSocket(this) : new QTcpSocket(this);
    m_socket = socket;
    socket->setReadBufferSize(kReadBufferBytes);
    // The pages asked for are on this machine: no proxy may see them.
    socket->setProxy(QNetworkProxy::NoProxy);
    connect(socket, &QAbstractSocket::readyRead, this, &PageRequest::readReply);
    connect(socket, &QAbstractSocket::errorOccurred, this, &PageRequest::socketFailed);
    const QString host =
        m_nextAddress < m_addresses.size() ? m_addresses.at(m_nextAddress++).toString() : m_url.host();
    const auto port = quint16(m_url.port(tls ? 443 : 80));
    if (!tls) {
        connect(socket, &QAbstractSocket::connected, this, &PageRequest::sendRequest);
        socket->connectToHost(host, port);
        return;
    }
    auto* const secure = static_cast<QSslSocket*>(socket);
    if (!m_limits.extraCertificates.isEmpty()) {
        QSslConfiguration configuration = secure->sslConfiguration();
        configuration.addCaCertificates(QSslCertificate::fromData(m_limits.extraCertificates));
        secure->setSslConfiguration(configuration);
    }
    connect(secure, &QSslSocket::sslErrors, this, [this] { m_untrusted = true; });
    connect(secure, &QSslSocket::encrypted, this, &PageRequest::sendRequest);
    // The certificate is checked against the name in the address, whichever address is dialled.
    secure->connectToHostEncrypted(host, port, m_url.host());
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
    m_socket->write("GET " + target + " HTTP/1.1\r\nHost: " + host +
                    "\r\nAccept: text/html, */*\r\nAccept-Encoding: identity\r\nConnection: close\r\n\r\n");
}

void PageRequest::readReply()
{
    m_idle.start();
    m_parser.feed(m_socket->readAll());
    judge();
}

void PageRequest::socketFailed(QAbstractSocket::SocketError error)
{
    if (!m_connected) {
        // Refused at one address of "localhost": the server may listen at the other.
        const bool refused = error == QAbstractSocket::ConnectionRefusedError;
        if (refused && m_nextAddress < m_addresses.size())
            connectNext();
        else
            finish(Ending::failed);
        return;
    }
    if (error != QAbstractSocket::RemoteHostClosedError) {
        finish(Ending::failed);
        return;
    }
    // The server closed: what it sent last is read first, then the close may end the body.
    m_parser.feed(m_socket->readAll());
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
    if (!m_socket)
        return;
    // Nothing the closing socket reports reaches this request any more.
    m_socket->disconnect(this);
    m_socket->abort();
    m_socket->deleteLater();
    m_socket = nullptr;
}

} // namespace tidewell
