#include "platform/HttpReplyParser.h"

namespace tidewell {

namespace {

// A chunk-size line holds a hexadecimal number and perhaps extensions; nothing honest is longer.
constexpr qint64 kMaxChunkLineBytes = 1024;

bool isStatusLine(QByteArrayView line, int& status)
{
    // "HTTP/1.1 200 OK": the version, one space, three digits, then a space or the end.
    if (!line.startsWith("HTTP/1.") || line.size() < 12 || line.at(8) != ' ')
        return false;
    const QByteArrayView code = line.sliced(9, 3);
    if (line.size() > 12 && line.at(12) != ' ')
        return false;
    bool ok = false;
    status = code.toInt(&ok);
    return ok && status >= 100 && status <= 999;
}

// A non-negative decimal (Content-Length) or hexadecimal (chunk size) number, nothing else around it.
qint64 numberOf(QByteArrayView text, int base)
{
    text = text.trimmed();
    if (text.isEmpty() || text.size() > 15)
        return -1;
    for (const char c : text) {
        const bool digit =
            (c >= '0' && c <= '9') || (base == 16 && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
        if (!digit)
            return -1;
    }
    bool ok = false;
    const qint64 number = text.toLongLong(&ok, base);
    return ok ? number : -1;
}

} // namespace

HttpReplyParser::State HttpReplyParser::feed(QByteArrayView bytes)
{
    if (m_state != State::readingHeaders && m_state != State::readingBody)
        return m_state;
    m_buffer.remove(0, m_read);
    m_read = 0;
    m_buffer.append(bytes);
    while (m_state == State::readingHeaders && takeHeaderLine()) {
    }
    if (m_state == State::readingBody)
        while (takeBody()) {
        }
    return m_state;
}

HttpReplyParser::State HttpReplyParser::endOfInput()
{
    if (m_state == State::readingBody && m_framing == Framing::untilClose)
        m_state = State::complete;
    else if (m_state == State::readingHeaders || m_state == State::readingBody)
        fail(Failure::cutShort);
    return m_state;
}

QByteArray HttpReplyParser::headerValue(QByteArrayView name) const
{
    QByteArray value;
    for (const auto& [fieldName, fieldValue] : m_headers) {
        if (fieldName.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        if (!value.isEmpty())
            value += ", ";
        value += fieldValue;
    }
    return value;
}

// Takes one line, without its line ending, off the unread bytes. False when its end has not come
// yet, or when the line with its end is longer than `maxLength`, which fails the reply.
bool HttpReplyParser::takeLine(QByteArrayView& line, qint64 maxLength, Failure tooLong)
{
    const qsizetype end = m_buffer.indexOf('\n', m_read);
    // A line not ended yet is at least one byte longer than what has come of it.
    const qint64 length = end < 0 ? m_buffer.size() - m_read + 1 : end - m_read + 1;
    if (length > maxLength) {
        fail(tooLong);
        return false;
    }
    if (end < 0)
        return false;
    line = QByteArrayView(m_buffer).sliced(m_read, end - m_read);
    if (line.endsWith('\r'))
        line.chop(1);
    m_read = end + 1;
    return true;
}

// False when no more can be read now.
bool HttpReplyParser::takeHeaderLine()
{
    const qsizetype before = m_read;
    QByteArrayView line;
    if (!takeLine(line, m_limits.maxHeaderBytes - m_headerBytes, Failure::headersTooLarge))
        return false;
    m_headerBytes += m_read - before;
    if (m_status == 0) {
        if (!isStatusLine(line, m_status)) {
            fail(Failure::malformed);
            return false;
        }
        return true;
    }
    if (line.isEmpty()) {
        if (m_status < 200) {
            // An interim reply ("100 Continue", "103 Early Hints"); the real one follows.
            m_status = 0;
            m_headers.clear();
            return true;
        }
        m_headersComplete = true;
        startBody();
        return false;
    }
    if (line.startsWith(' ') || line.startsWith('\t')) {
        // An old-style continuation of the field before.
        if (m_headers.isEmpty()) {
            fail(Failure::malformed);
            return false;
        }
        m_headers.last().second += ' ' + line.trimmed().toByteArray();
        return true;
    }
    const qsizetype colon = line.indexOf(':');
    if (colon <= 0) {
        fail(Failure::malformed);
        return false;
    }
    m_headers.append(
        {line.first(colon).trimmed().toByteArray(), line.sliced(colon + 1).trimmed().toByteArray()});
    return true;
}

void HttpReplyParser::startBody()
{
    m_state = State::readingBody;
    if (m_status == 204 || m_status == 304) {
        m_state = State::complete;
        return;
    }
    const QByteArray transferCoding = headerValue("Transfer-Encoding").toLower();
    const QByteArray length = headerValue("Content-Length");
    if (!transferCoding.isEmpty()) {
        // Chunked must be the last coding; any other ends with the connection.
        m_framing = transferCoding.trimmed().endsWith("chunked") ? Framing::chunked : Framing::untilClose;
    } else if (!length.isNull()) {
        // Several equal values ("12, 12") are one length; differing ones frame nothing safely.
        const QList<QByteArray> values = length.split(',');
        m_remaining = numberOf(values.first(), 10);
        for (const QByteArray& value : values)
            if (numberOf(value, 10) != m_remaining)
                m_remaining = -1;
        if (m_remaining < 0) {
            fail(Failure::malformed);
            return;
        }
        if (m_remaining > m_limits.maxBodyBytes) {
            fail(Failure::bodyTooLarge);
            return;
        }
        m_framing = Framing::length;
        if (m_remaining == 0)
            m_state = State::complete;
    }
}

// False when no more can be read now.
bool HttpReplyParser::takeBody()
{
    if (m_state != State::readingBody)
        return false;
    if (m_framing == Framing::chunked)
        return takeChunked();
    const qint64 available = m_buffer.size() - m_read;
    const qint64 taken = m_framing == Framing::length ? std::min(available, m_remaining) : available;
    if (!append(QByteArrayView(m_buffer).sliced(m_read, taken)))
        return false;
    m_read += taken;
    if (m_framing == Framing::length) {
        m_remaining -= taken;
        if (m_remaining == 0)
            m_state = State::complete;
    }
    return false;
}

bool HttpReplyParser::takeChunked()
{
    QByteArrayView line;
    switch (m_chunkPart) {
    case ChunkPart::sizeLine: {
        if (!takeLine(line, kMaxChunkLineBytes, Failure::malformed))
            return false;
        const qsizetype extension = line.indexOf(';');
        m_remaining = numberOf(extension < 0 ? line : line.first(extension), 16);
        if (m_remaining < 0) {
            fail(Failure::malformed);
            return false;
        }
        if (m_body.size() + m_remaining > m_limits.maxBodyBytes) {
            fail(Failure::bodyTooLarge);
            return false;
        }
        m_chunkPart = m_remaining == 0 ? ChunkPart::trailers : ChunkPart::data;
        return true;
    }
    case ChunkPart::data: {
        const qint64 taken = std::min(m_buffer.size() - m_read, m_remaining);
        if (taken == 0)
            return false;
        append(QByteArrayView(m_buffer).sliced(m_read, taken));
        m_read += taken;
        m_remaining -= taken;
        if (m_remaining == 0)
            m_chunkPart = ChunkPart::dataEnd;
        return true;
    }
    case ChunkPart::dataEnd:
        if (!takeLine(line, 2, Failure::malformed))
            return false;
        if (!line.isEmpty()) {
            fail(Failure::malformed);
            return false;
        }
        m_chunkPart = ChunkPart::sizeLine;
        return true;
    case ChunkPart::trailers: {
        const qsizetype before = m_read;
        if (!takeLine(line, m_limits.maxHeaderBytes - m_headerBytes, Failure::headersTooLarge))
            return false;
        m_headerBytes += m_read - before;
        if (line.isEmpty())
            m_state = State::complete;
        return m_state == State::readingBody;
    }
    }
    return false;
}

bool HttpReplyParser::append(QByteArrayView bytes)
{
    if (m_body.size() + bytes.size() > m_limits.maxBodyBytes) {
        fail(Failure::bodyTooLarge);
        return false;
    }
    m_body.append(bytes);
    return true;
}

void HttpReplyParser::fail(Failure failure)
{
    m_state = State::failed;
    m_failure = failure;
    m_body.clear();
    m_buffer.clear();
    m_read = 0;
}

} // namespace tidewell
