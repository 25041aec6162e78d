#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDeadlineTimer>
#include <QString>
#include <optional>
#include <sys/socket.h>

namespace tidewell {

// A stream socket used from a worker thread, where every wait ends at a deadline: a unix socket to
// a container engine, a test connection to a port. On the system's sockets alone, so that the
// command line, which uses it, loads no network library.
class BlockingSocket
{
public:
    enum class Outcome
    {
        done,
        refused, // nothing accepts connections there (no such socket file, a path no socket can have,
                 // or nothing listening)
        timedOut,
        failed,
    };

    BlockingSocket() = default;
    ~BlockingSocket();
    BlockingSocket(BlockingSocket&& other) noexcept;
    BlockingSocket& operator=(BlockingSocket&& other) noexcept;
    BlockingSocket(const BlockingSocket&) = delete;
    BlockingSocket& operator=(const BlockingSocket&) = delete;

    // Connects to the unix socket at `path`.
    Outcome connectToPath(const QString& path, QDeadlineTimer deadline);
    // Connects to a TCP port of a numeric address ("127.0.0.1", "::1").
    Outcome connectToPort(const char* address, quint16 port, QDeadlineTimer deadline);
    Outcome writeAll(QByteArrayView bytes, QDeadlineTimer deadline);
    // Appends what arrives next to `into`; `done` with nothing appended is the end of the stream.
    Outcome readSome(QByteArray& into, QDeadlineTimer deadline);
    // The system's text for the last failure.
    QString errorText() const;

    // A stream socket of `family` (AF_INET, AF_INET6, AF_UNIX), non-blocking, closed on exec and
    // raising no SIGPIPE where the system allows; -1 with errno on failure. The page probe's
    // connections are opened with it too.
    static int openNonBlocking(int family);

private:
    Outcome connectTo(const sockaddr* address, socklen_t length, QDeadlineTimer deadline);
    bool waitFor(short events, QDeadlineTimer deadline);
    void close();

    int m_fd = -1;
    int m_error = 0;
};

} // namespace tidewell
