#pragma once

#include "probe/PageConnection.h"

class QSocketNotifier;

namespace tidewell {

// A plain TCP connection for a page request, on the system's sockets and the event loop's socket
// notifiers: asking for a page over http takes no network library, which the command line would
// spend milliseconds loading.
class PlainPageConnection final : public PageConnection
{
public:
    // Connects to `target` (its numeric address and port) on the next turns of the event loop.
    PlainPageConnection(const Target& target, Handlers handlers);
    ~PlainPageConnection() override;

    void write(const QByteArray& bytes) override;
    QByteArray readAll() override;
    void close() override;

private:
    void failSoon(Failure failure);
    void fail(Failure failure);
    void writable();
    void readable();
    void sendPending();

    Handlers m_handlers;
    qint64 m_readBufferBytes;
    int m_fd = -1;
    bool m_connected = false;
    bool m_endOfInput = false;
    QSocketNotifier* m_readNotifier = nullptr;
    QSocketNotifier* m_writeNotifier = nullptr;
    QByteArray m_received;
    QByteArray m_unsent;
};

} // namespace tidewell
