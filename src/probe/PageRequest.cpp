#include "probe/PageRequest.h"

#include "probe/CurlMulti.h"

#include <curl/curl.h>

namespace tidewell {

namespace {

// The status code of a line such as "HTTP/1.1 200 OK" or "HTTP/2 302".
int statusOf(QByteArrayView line)
{
    const qsizetype space = line.indexOf(' ');
    if (space < 0)
        return 0;
    bool ok = false;
    const int status = line.sliced(space + 1).toByteArray().left(3).toInt(&ok);
    return ok ? status : 0;
}

} // namespace

PageRequest::PageRequest(CurlMulti* multi, const QUrl& url, const Limits& limits, Done done, QObject* parent)
    : QObject(parent), m_multi(multi), m_easy(curl_easy_init()), m_limits(limits), m_done(std::move(done))
{
    CURL* const easy = m_easy;
    curl_easy_setopt(easy, CURLOPT_URL, url.toEncoded().constData());
    // The pages asked for are on this machine; a proxy from the environment must not see them.
    curl_easy_setopt(easy, CURLOPT_PROXY, "");
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    // Compressed pages are unpacked, and the body cap counts the unpacked bytes.
    curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, long(limits.idleTimeoutMs));
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &PageRequest::onHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &PageRequest::onBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    if (!limits.connectTo.isEmpty()) {
        m_connectTo = curl_slist_append(nullptr, limits.connectTo.constData());
        curl_easy_setopt(easy, CURLOPT_RESOLVE, m_connectTo);
    }
    if (!limits.extraCertificates.isEmpty()) {
        curl_blob blob{const_cast<char*>(limits.extraCertificates.constData()),
                       size_t(limits.extraCertificates.size()), CURL_BLOB_COPY};
        curl_easy_setopt(easy, CURLOPT_CAINFO_BLOB, &blob);
    }

    m_idle.setSingleShot(true);
    connect(&m_idle, &QTimer::timeout, this, &PageRequest::idleTimeout);
    m_idle.start(limits.idleTimeoutMs);
    m_multi->start(easy, [this](CURLcode result) { finish(result); });
}

PageRequest::~PageRequest()
{
    abort();
    curl_easy_cleanup(m_easy);
    curl_slist_free_all(m_connectTo);
}

void PageRequest::abort()
{
    if (std::exchange(m_running, false))
        m_multi->cancel(m_easy);
    m_idle.stop();
    m_done = {};
}

size_t PageRequest::onHeader(char* data, size_t size, size_t count, void* self)
{
    auto* request = static_cast<PageRequest*>(self);
    const size_t bytes = size * count;
    request->m_idle.start();
    request->m_headerBytes += qint64(bytes);
    // A header section that never ends would otherwise be read, and kept, for as long as it flows.
    if (request->m_headerBytes > request->m_limits.maxHeaderBytes) {
        request->m_reply.ending = Ending::failed;
        request->m_headersDone = false;
        return 0;
    }
    return request->takeHeaderLine(QByteArrayView(data, qsizetype(bytes))) ? bytes : 0;
}

// Returns false to end the transfer: the headers alone have decided.
bool PageRequest::takeHeaderLine(QByteArrayView line)
{
    if (line.startsWith("HTTP/")) {
        // A new reply, after an interim one ("100 Continue") or none.
        m_reply.status = statusOf(line);
        m_reply.location.clear();
        m_contentType.clear();
        return true;
    }
    const QByteArrayView content = line.trimmed();
    if (content.isEmpty()) {
        if (m_reply.status < 200)
            return true;
        m_headersDone = true;
        if (isRedirect(m_reply.status) && !m_reply.location.isEmpty()) {
            m_reply.ending = Ending::complete;
            return false;
        }
        // Decided on the headers, so a large reply that is not a page is never read. The name is
        // found whatever its letter case; the value test stays case-sensitive.
        if (!m_contentType.contains("text/html")) {
            m_reply.ending = Ending::rejected;
            return false;
        }
        return true;
    }
    const qsizetype colon = content.indexOf(':');
    if (colon <= 0)
        return true;
    const QByteArrayView name = content.first(colon).trimmed();
    const QByteArray value = content.sliced(colon + 1).trimmed().toByteArray();
    if (name.compare("Content-Type", Qt::CaseInsensitive) == 0)
        m_contentType += (m_contentType.isEmpty() ? QByteArray() : QByteArray(", ")) + value;
    else if (name.compare("Location", Qt::CaseInsensitive) == 0)
        m_reply.location = value;
    return true;
}

size_t PageRequest::onBody(char* data, size_t size, size_t count, void* self)
{
    auto* request = static_cast<PageRequest*>(self);
    const size_t bytes = size * count;
    request->m_idle.start();
    request->m_reply.body.append(data, qsizetype(bytes));
    if (request->m_reply.body.size() > request->m_limits.maxBodyBytes) {
        request->m_reply.ending = Ending::rejected;
        return 0;
    }
    return bytes;
}

void PageRequest::finish(int curlResult)
{
    m_running = false;
    m_idle.stop();
    const bool decided = m_reply.ending != Ending::failed;
    if (curlResult == CURLE_OK && m_headersDone && !decided)
        m_reply.ending = Ending::complete;
    else if (curlResult != CURLE_OK && !(decided && curlResult == CURLE_WRITE_ERROR))
        m_reply.ending = Ending::failed;
    m_reply.untrusted = curlResult == CURLE_PEER_FAILED_VERIFICATION;
    if (m_reply.ending != Ending::complete)
        m_reply.body.clear();
    report();
}

void PageRequest::idleTimeout()
{
    const Done done = std::exchange(m_done, {});
    abort();
    done(Reply{});
}

// The receiver may free this request: nothing of it is touched afterwards.
void PageRequest::report()
{
    const Done done = std::exchange(m_done, {});
    const Reply reply = std::move(m_reply);
    if (done)
        done(reply);
}

} // namespace tidewell
