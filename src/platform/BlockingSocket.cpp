#include "platform/BlockingSocket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/un.h>
#include <unistd.h>

namespace tidewell {

// Closed on exec from the start where the system allows it: other threads start programs, which
// must not inherit a connection to the container engine or to a page.
int BlockingSocket::openNonBlocking(int family)
{
#ifdef SOCK_CLOEXEC
    const int fd = ::socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
#else
    const int fd = ::socket(family, SOCK_STREAM, 0);
    if (fd >= 0) {
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
#endif
#ifdef SO_NOSIGPIPE
    if (fd >= 0) {
        const int on = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_NOSIGPIPE, &on, sizeof on);
    }
#endif
    return fd;
}

BlockingSocket::~BlockingSocket()
{
    close();
}

BlockingSocket::BlockingSocket(BlockingSocket&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_error(other.m_error)
{}

BlockingSocket& BlockingSocket::operator=(BlockingSocket&& other) noexcept
{
    if (this != &other) {
        close();
        m_fd = std::exchange(other.m_fd, -1);
        m_error = other.m_error;
    }
    return *this;
}

BlockingSocket::Outcome BlockingSocket::connectToPath(const QString& path, QDeadlineTimer deadline)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray encoded = path.toLocal8Bit();
    // A path a unix socket cannot have: no engine listens there, and the next place is asked.
    if (encoded.isEmpty() || encoded.contains('\0') || size_t(encoded.size()) >= sizeof address.sun_path) {
        m_error = ENAMETOOLONG;
        return Outcome::refused;
    }
    std::memcpy(address.sun_path, encoded.constData(), size_t(encoded.size()));
    return connectTo(reinterpret_cast<const sockaddr*>(&address), socklen_t(sizeof address), deadline);
}

BlockingSocket::Outcome BlockingSocket::connectToPort(const char* address, quint16 port,
                                                      QDeadlineTimer deadline)
{
    sockaddr_in ipv4{};
    sockaddr_in6 ipv6{};
    if (::inet_pton(AF_INET, address, &ipv4.sin_addr) == 1) {
        ipv4.sin_family = AF_INET;
        ipv4.sin_port = htons(port);
        return connectTo(reinterpret_cast<const sockaddr*>(&ipv4), socklen_t(sizeof ipv4), deadline);
    }
    if (::inet_pton(AF_INET6, address, &ipv6.sin6_addr) == 1) {
        ipv6.sin6_family = AF_INET6;
        ipv6.sin6_port = htons(port);
        return connectTo(reinterpret_cast<const sockaddr*>(&ipv6), socklen_t(sizeof ipv6), deadline);
    }
    m_error = EINVAL;
    return Outcome::failed;
}

BlockingSocket::Outcome BlockingSocket::connectTo(const sockaddr* address, socklen_t length,
                                                  QDeadlineTimer deadline)
{
    close();
    m_fd = openNonBlocking(address->sa_family);
    if (m_fd < 0) {
        m_error = errno;
        return Outcome::failed;
    }
    int result;
    do
        result = ::connect(m_fd, address, length);
    while (result != 0 && errno == EINTR);
    // Started again after an interruption, a connect reports the first one's progress.
    int error = result == 0 || errno == EISCONN ? 0 : errno;
    if (error == EINPROGRESS || error == EALREADY) {
        if (!waitFor(POLLOUT, deadline)) {
            m_error = ETIMEDOUT;
            close();
            return Outcome::timedOut;
        }
        socklen_t size = sizeof error;
        if (::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0)
            error = errno;
    }
    if (error == 0)
        return Outcome::done;
    m_error = error;
    close();
    return error == ECONNREFUSED || error == ENOENT ? Outcome::refused : Outcome::failed;
}

BlockingSocket::Outcome BlockingSocket::writeAll(QByteArrayView bytes, QDeadlineTimer deadline)
{
    int flags = 0;
#ifdef MSG_NOSIGNAL
    flags = MSG_NOSIGNAL;
#endif
    while (!bytes.isEmpty()) {
        const ssize_t sent = ::send(m_fd, bytes.data(), size_t(bytes.size()), flags);
        if (sent > 0) {
            bytes = bytes.sliced(sent);
            continue;
        }
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!waitFor(POLLOUT, deadline))
                return Outcome::timedOut;
            continue;
        }
        m_error = errno;
        return Outcome::failed;
    }
    return Outcome::done;
}

BlockingSocket::Outcome BlockingSocket::readSome(QByteArray& into, QDeadlineTimer deadline)
{
    char chunk[16 * 1024];
    for (;;) {
        const ssize_t got = ::recv(m_fd, chunk, sizeof chunk, 0);
        if (got >= 0) {
            into.append(chunk, got);
            return Outcome::done;
        }
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            m_error = errno;
            return Outcome::failed;
        }
        if (!waitFor(POLLIN, deadline))
            return Outcome::timedOut;
    }
}

QString BlockingSocket::errorText() const
{
    return QString::fromLocal8Bit(std::strerror(m_error));
}

bool BlockingSocket::waitFor(short events, QDeadlineTimer deadline)
{
    for (;;) {
        pollfd entry{m_fd, events, 0};
        const int ready = ::poll(&entry, 1, int(std::min<qint64>(deadline.remainingTime(), 60'000)));
        if (ready > 0)
            return true;
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready == 0 && !deadline.hasExpired())
            continue;
        return false;
    }
}

void BlockingSocket::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

} // namespace tidewell
