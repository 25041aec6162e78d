#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QPair>

namespace tidewell {

// Reads one HTTP/1.x reply as its bytes arrive: the status line and header fields up to a cap on
// their size, interim replies skipped, then the body as Content-Length, the chunked coding or the
// end of the connection frames it, up to a cap on its size. It never holds more than the caps allow,
// whatever the peer sends.
class HttpReplyParser
{
public:
    enum class State
    {
        readingHeaders,
        readingBody,
        complete,
        failed,
    };
    enum class Failure
    {
        none,
        // Not an HTTP/1.x reply, or framing that cannot be read.
        malformed,
        headersTooLarge,
        bodyTooLarge,
        // The connection ended before the reply did.
        cutShort,
    };
    struct Limits
    {
        qint64 maxHeaderBytes = 64 * 1024;
        qint64 maxBodyBytes = 2 * 1024 * 1024;
    };

    explicit HttpReplyParser(Limits limits) : m_limits(limits) {}

    // Takes the next bytes of the connection; bytes after a complete reply are ignored.
    State feed(QByteArrayView bytes);
    // The peer closed the connection: a body that runs to the close is complete, any other reply
    // is cut short.
    State endOfInput();

    State state() const { return m_state; }
    Failure failure() const { return m_failure; }
    // Set once the final (non-interim) header section is in, whatever happens to the body after it.
    bool headersComplete() const { return m_headersComplete; }
    int status() const { return m_status; }
    // Every value of the field `name` (any letter case) in the order they came, joined by ", ".
    QByteArray headerValue(QByteArrayView name) const;
    const QByteArray& body() const { return m_body; }

private:
    enum class Framing
    {
        untilClose,
        length,
        chunked,
    };
    enum class ChunkPart
    {
        sizeLine,
        data,
        dataEnd,
        trailers,
    };

    bool takeLine(QByteArrayView& line, qint64 maxLength, Failure tooLong);
    bool takeHeaderLine();
    void startBody();
    bool takeBody();
    bool takeChunked();
    bool append(QByteArrayView bytes);
    void fail(Failure failure);

    Limits m_limits;
    State m_state = State::readingHeaders;
    Failure m_failure = Failure::none;
    QByteArray m_buffer;
    // Where the unread part of m_buffer begins.
    qsizetype m_read = 0;
    qint64 m_headerBytes = 0;
    int m_status = 0;
    bool m_headersComplete = false;
    QList<QPair<QByteArray, QByteArray>> m_headers;
    Framing m_framing = Framing::untilClose;
    ChunkPart m_chunkPart = ChunkPart::sizeLine;
    qint64 m_remaining = 0;
    QByteArray m_body;
};

} // namespace tidewell
