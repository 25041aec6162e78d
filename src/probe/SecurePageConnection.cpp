#include "probe/SecurePageConnection.h"

#include <QNetworkProxy>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTimer>

namespace tidewell {

std::unique_ptr<PageConnection> SecurePageConnection::open(const Target& target, Handlers handlers)
{
    return std::make_unique<SecurePageConnection>(target, std::move(handlers));
}

SecurePageConnection::SecurePageConnection(const Target& target, Handlers handlers)
    : m_handlers(std::move(handlers)), m_socket(new QSslSocket(this))
{
    m_socket->setReadBufferSize(target.readBufferBytes);
    // The pages asked for are on this machine: no proxy may see them.
    m_socket->setProxy(QNetworkProxy::NoProxy);
    if (!target.extraCertificates.isEmpty()) {
        QSslConfiguration configuration = m_socket->sslConfiguration();
        configuration.addCaCertificates(QSslCertificate::fromData(target.extraCertificates));
        m_socket->setSslConfiguration(configuration);
    }
    // Each handler is called from a copy: it may close this connection, which clears them.
    connect(m_socket, &QSslSocket::encrypted, this, [this] {
        if (const auto ready = m_handlers.ready)
            ready();
    });
    connect(m_socket, &QSslSocket::readyRead, this, [this] {
        if (const auto readable = m_handlers.readable)
            readable();
    });
    connect(m_socket, &QSslSocket::sslErrors, this, [this] {
        if (const auto untrusted = m_handlers.untrusted)
            untrusted();
    });
    connect(m_socket, &QSslSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        const auto failed = m_handlers.failed;
        if (!failed)
            return;
        failed(error == QAbstractSocket::ConnectionRefusedError  ? Failure::refused
               : error == QAbstractSocket::RemoteHostClosedError ? Failure::closed
                                                                 : Failure::other);
    });
    // On the next turn of the event loop: a connection that fails at once (refused on the spot, no
    // socket to be had) reports it from inside connectToHostEncrypted(), and a request must not hear
    // of it before it holds this connection. The certificate is checked against the name in the
    // address, whichever address is dialled.
    QTimer::singleShot(0, this, [this, target] {
        if (m_socket && !m_closed)
            m_socket->connectToHostEncrypted(target.address, target.port, target.peerName);
    });
}

SecurePageConnection::~SecurePageConnection()
{
    close();
}

void SecurePageConnection::write(const QByteArray& bytes)
{
    if (m_socket)
        m_socket->write(bytes);
}

QByteArray SecurePageConnection::readAll()
{
    return m_socket ? m_socket->readAll() : QByteArray();
}

void SecurePageConnection::close()
{
    m_closed = true;
    m_handlers = {};
    if (!m_socket)
        return;
    // Nothing the closing socket reports reaches the request any more.
    m_socket->disconnect(this);
    m_socket->abort();
}

} // namespace tidewell
