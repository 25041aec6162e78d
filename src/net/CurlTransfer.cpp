#include "net/CurlTransfer.h"

#include <QCoreApplication>

namespace tidewell {

CurlTransfer::CurlTransfer(CurlMulti* multi, const QUrl& url, Limits limits, QObject* parent)
    : QObject(parent), m_multi(multi), m_easy(curl_easy_init()), m_limits(limits)
{
    curl_easy_setopt(m_easy, CURLOPT_URL, url.toEncoded().constData());
    // Only the web: a redirect or an address must not reach files or other protocols.
    curl_easy_setopt(m_easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(m_easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    // Any coding libcurl can undo; the body cap then counts what the reply holds.
    curl_easy_setopt(m_easy, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(m_easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(m_easy, CURLOPT_ERRORBUFFER, m_error);
    curl_easy_setopt(m_easy, CURLOPT_HEADERFUNCTION, &CurlTransfer::onHeader);
    curl_easy_setopt(m_easy, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(m_easy, CURLOPT_WRITEFUNCTION, &CurlTransfer::onBody);
    curl_easy_setopt(m_easy, CURLOPT_WRITEDATA, this);
    m_idle.setSingleShot(true);
    m_idle.setInterval(m_limits.idleTimeoutMs);
    connect(&m_idle, &QTimer::timeout, this, [this] {
        m_multi->remove(m_easy);
        m_ending = Ending::timedOut;
        finish(CURLE_OPERATION_TIMEDOUT);
    });
}

CurlTransfer::~CurlTransfer()
{
    abort();
    curl_easy_cleanup(m_easy);
    curl_slist_free_all(m_headers);
}

void CurlTransfer::addHeader(const QByteArray& line)
{
    m_headers = curl_slist_append(m_headers, line.constData());
    curl_easy_setopt(m_easy, CURLOPT_HTTPHEADER, m_headers);
}

void CurlTransfer::start(Handlers handlers)
{
    m_handlers = std::move(handlers);
    m_running = true;
    m_idle.start();
    m_multi->add(m_easy, [this](CURLcode result) { finish(result); });
}

void CurlTransfer::abort()
{
    m_handlers = {};
    m_idle.stop();
    if (std::exchange(m_running, false))
        m_multi->remove(m_easy);
}

long CurlTransfer::status() const
{
    long code = 0;
    curl_easy_getinfo(m_easy, CURLINFO_RESPONSE_CODE, &code);
    return code;
}

QByteArray CurlTransfer::headerValue(const char* name) const
{
    QByteArray joined;
    curl_header* header = nullptr;
    for (size_t index = 0;
         curl_easy_header(m_easy, name, index, CURLH_HEADER, -1, &header) == CURLHE_OK && header; ++index) {
        if (!joined.isEmpty())
            joined += ", ";
        joined += header->value;
        if (index + 1 >= header->amount)
            break;
    }
    return joined;
}

QString CurlTransfer::errorText() const
{
    switch (m_ending) {
    case Ending::timedOut:
        return QCoreApplication::translate("CurlTransfer", "The request timed out.");
    case Ending::headersTooLarge:
        return QCoreApplication::translate("CurlTransfer",
                                           "The reply's header section is larger than %1 bytes.")
            .arg(m_limits.maxHeaderBytes);
    case Ending::bodyTooLarge:
        return QCoreApplication::translate("CurlTransfer", "The reply is larger than %1 bytes.")
            .arg(m_limits.maxBodyBytes);
    case Ending::byReceiver:
        return QCoreApplication::translate("CurlTransfer", "The transfer was stopped.");
    case Ending::byLibrary:
        break;
    }
    if (m_result == CURLE_OK)
        return {};
    // libcurl's own words name the host and port at most, never a header a request carried.
    return m_error[0] != '\0' ? QString::fromUtf8(m_error) : QString::fromUtf8(curl_easy_strerror(m_result));
}

size_t CurlTransfer::onHeader(char* data, size_t size, size_t count, void* self)
{
    auto* transfer = static_cast<CurlTransfer*>(self);
    const size_t bytes = size * count;
    transfer->m_idle.start();
    transfer->m_headerBytes += qint64(bytes);
    if (transfer->m_headerBytes > transfer->m_limits.maxHeaderBytes) {
        transfer->stopWith(Ending::headersTooLarge);
        return 0;
    }
    const QByteArrayView line(data, qsizetype(bytes));
    if (line != "\r\n" && line != "\n")
        return bytes;
    // Each reply of a redirect chain, and each interim reply, has a header section of its own.
    transfer->m_headerBytes = 0;
    if (transfer->m_handlers.headersDone && !transfer->m_handlers.headersDone()) {
        transfer->stopWith(Ending::byReceiver);
        return 0;
    }
    return bytes;
}

size_t CurlTransfer::onBody(char* data, size_t size, size_t count, void* self)
{
    auto* transfer = static_cast<CurlTransfer*>(self);
    const size_t bytes = size * count;
    transfer->m_idle.start();
    transfer->m_bodyBytes += qint64(bytes);
    if (transfer->m_limits.maxBodyBytes >= 0 && transfer->m_bodyBytes > transfer->m_limits.maxBodyBytes) {
        transfer->stopWith(Ending::bodyTooLarge);
        return 0;
    }
    if (transfer->m_handlers.body && !transfer->m_handlers.body(QByteArrayView(data, qsizetype(bytes)))) {
        transfer->stopWith(Ending::byReceiver);
        return 0;
    }
    return bytes;
}

void CurlTransfer::stopWith(Ending ending)
{
    if (m_ending == Ending::byLibrary)
        m_ending = ending;
}

// The receiver may free this transfer: nothing of it is touched after `done`.
void CurlTransfer::finish(CURLcode result)
{
    m_running = false;
    m_idle.stop();
    m_result = result;
    const auto done = std::exchange(m_handlers.done, {});
    m_handlers = {};
    if (done)
        done();
}

} // namespace tidewell
