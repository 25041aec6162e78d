#include "probe/PlainPageConnection.h"

#include "platform/BlockingSocket.h"
#include "probe/NumericAddress.h"

#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

namespace tidewell {

namespace {

// The failure a socket error stands for. A reset is the server closing, as Qt's sockets report it:
// what arrived before it still counts.
PageConnection::Failure failureOf(int error)
{
    if (error == ECONNREFUSED)
        return PageConnection::Failure::refused;
    if (error == ECONNRESET || error == EPIPE)
        return PageConnection::Failure::closed;
    return PageConnection::Failure::other;
}

} // namespace

PlainPageConnection::PlainPageConnection(const Target& target, Handlers handlers)
    : m_handlers(std::move(handlers)), m_readBufferBytes(std::max<qint64>(1, target.readBufferBytes))
{
    std::optional<NumericAddress> address = NumericAddress::parse(target.address);
    if (!address) {
        failSoon(Failure::other);
        return;
    }
    address->setPort(target.port);
    m_fd = BlockingSocket::openNonBlocking(address->family());
    if (m_fd < 0) {
        failSoon(Failure::other);
        return;
    }
    int connected;
    do
        connected = ::connect(m_fd, address->socketAddress(), address->socketAddressLength());
    while (connected != 0 && errno == EINTR);
    // Started again after an interruption, a connect reports the first one's progress.
    if (connected != 0 && errno != EINPROGRESS && errno != EALREADY && errno != EISCONN) {
        failSoon(failureOf(errno));
        return;
    }
    // Writable once the connection is made or has failed, which SO_ERROR then tells.
    m_writeNotifier = new QSocketNotifier(qintptr(m_fd), QSocketNotifier::Write, this);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &PlainPageConnection::writable);
    m_readNotifier = new QSocketNotifier(qintptr(m_fd), QSocketNotifier::Read, this);
    m_readNotifier->setEnabled(false);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &PlainPageConnection::readable);
}

PlainPageConnection::~PlainPageConnection()
{
    close();
}

void PlainPageConnection::write(const QByteArray& bytes)
{
    m_unsent += bytes;
    sendPending();
}

QByteArray PlainPageConnection::readAll()
{
    // Reading is paused while the buffer is full; taking it out lets the kernel's bytes in again.
    if (m_readNotifier && m_connected && !m_endOfInput && m_fd >= 0)
        m_readNotifier->setEnabled(true);
    return std::exchange(m_received, {});
}

void PlainPageConnection::close()
{
    m_handlers = {};
    if (m_readNotifier)
        m_readNotifier->setEnabled(false);
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(false);
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

// A failure found while opening is told on the next turn of the event loop, as a request expects.
void PlainPageConnection::failSoon(Failure failure)
{
    QTimer::singleShot(0, this, [this, failure] { fail(failure); });
}

void PlainPageConnection::fail(Failure failure)
{
    const auto failed = m_handlers.failed;
    close();
    if (failed)
        failed(failure);
}

void PlainPageConnection::writable()
{
    if (!m_connected) {
        int error = 0;
        socklen_t length = sizeof error;
        if (::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
            error = errno;
        if (error != 0) {
            fail(failureOf(error));
            return;
        }
        m_connected = true;
        m_writeNotifier->setEnabled(false);
        m_readNotifier->setEnabled(true);
        // Called from a copy: the handler may close this connection, which clears them.
        if (const auto ready = m_handlers.ready)
            ready();
        return;
    }
    sendPending();
}

void PlainPageConnection::sendPending()
{
    if (!m_connected || m_fd < 0)
        return;
    while (!m_unsent.isEmpty()) {
        int flags = 0;
#ifdef MSG_NOSIGNAL
        flags = MSG_NOSIGNAL;
#endif
        const ssize_t sent = ::send(m_fd, m_unsent.constData(), size_t(m_unsent.size()), flags);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        if (sent < 0) {
            // A server that closed before taking the request may still have replied.
            m_unsent.clear();
            break;
        }
        m_unsent.remove(0, sent);
    }
    m_writeNotifier->setEnabled(!m_unsent.isEmpty());
}

void PlainPageConnection::readable()
{
    int error = 0;
    while (m_received.size() < m_readBufferBytes) {
        char chunk[16 * 1024];
        const size_t room =
            size_t(std::min<qint64>(qint64(sizeof chunk), m_readBufferBytes - m_received.size()));
        const ssize_t got = ::recv(m_fd, chunk, room, 0);
        if (got > 0) {
            m_received.append(chunk, got);
            continue;
        }
        if (got == 0)
            m_endOfInput = true;
        else if (errno == EINTR)
            continue;
        else if (errno != EAGAIN && errno != EWOULDBLOCK)
            error = errno;
        break;
    }
    if (m_received.size() >= m_readBufferBytes || m_endOfInput || error != 0)
        m_readNotifier->setEnabled(false);
    // What came before a close or a reset is read first; the handler may close this connection.
    if (const auto handler = m_handlers.readable; handler && !m_received.isEmpty()) {
        handler();
        if (m_fd < 0)
            return;
    }
    if (m_endOfInput)
        fail(Failure::closed);
    else if (error != 0)
        fail(failureOf(error));
}

} // namespace tidewell
