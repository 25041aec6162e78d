#include "probe/PageRequest.h"

#include <QTimer>
#include <arpa/inet.h>

namespace tidewell {

namespace {

bool isNumericAddress(const QString& host)
{
    const QByteArray text = host.section(QLatin1Char('%'), 0, 0).toLatin1();
    unsigned char address[16];
    return inet_pton(AF_INET, text.constData(), address) == 1 ||
           inet_pton(AF_INET6, text.constData(), address) == 1;
}

// libcurl's entry that makes "localhost" at `port` connect to `addresses`, in that order.
QByteArray resolveEntry(int port, const QStringList& addresses)
{
    QByteArray entry = "localhost:" + QByteArray::number(port) + ':';
    for (qsizetype i = 0; i < addresses.size(); ++i) {
        const QByteArray address = addresses.at(i).toLatin1();
        entry += (i > 0 ? "," : "") + (address.contains(':') ? '[' + address + ']' : address);
    }
    return entry;
}

} // namespace

PageRequest::PageRequest(const QUrl& url, const Limits& limits, CurlMulti* multi, Done done, QObject* parent)
    : QObject(parent), m_done(std::move(done))
{
    const bool tls = url.scheme() == QLatin1String("https");
    const bool localhost = url.host() == QLatin1String("localhost");
    // "localhost" is the loopback addresses (or the listed one); any other name is not asked for, as
    // redirects lead only to this machine's addresses.
    if (!localhost && !isNumericAddress(url.host())) {
        QTimer::singleShot(0, this, [this] { finish(); });
        return;
    }
    // The body is cut here at its cap rather than refused by the transfer: a long page's title is in
    // its first bytes.
    m_maxBodyBytes = limits.maxBodyBytes;
    m_transfer = std::make_unique<CurlTransfer>(
        multi, url, CurlTransfer::Limits{limits.idleTimeoutMs, limits.maxHeaderBytes, -1});
    CURL* const easy = m_transfer->handle();
    if (localhost && limits.proxy.isEmpty()) {
        const QStringList addresses = limits.localhostAddresses.isEmpty()
                                          ? QStringList{QStringLiteral("127.0.0.1"), QStringLiteral("::1")}
                                          : limits.localhostAddresses;
        m_resolve = curl_slist_append(nullptr, resolveEntry(url.port(tls ? 443 : 80), addresses).constData());
        curl_easy_setopt(easy, CURLOPT_RESOLVE, m_resolve);
    }
    // The page is on this machine, or on the machine the given tunnel reaches: no other proxy may see
    // it, and a development server's certificate is its own, signed by no authority.
    m_proxy = limits.proxy;
    curl_easy_setopt(easy, CURLOPT_PROXY, m_proxy.constData());
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 0L);
    // Each hop is judged by the probe before it is asked for.
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    // Once answered, nothing more is read: the connection is not kept for another request.
    curl_easy_setopt(easy, CURLOPT_FORBID_REUSE, 1L);
    m_transfer->addHeader("Accept: text/html, */*");
    CurlTransfer::Handlers handlers;
    handlers.headersDone = [this] { return judgeHeaders(); };
    handlers.body = [this](QByteArrayView bytes) {
        // A negative cap is none.
        const qint64 room = m_maxBodyBytes < 0 ? bytes.size() : m_maxBodyBytes - m_body.size();
        m_body.append(bytes.first(std::min<qint64>(room, bytes.size())));
        m_bodyCut = bytes.size() > room;
        return !m_bodyCut;
    };
    handlers.done = [this] { finish(); };
    m_transfer->start(std::move(handlers));
}

PageRequest::~PageRequest()
{
    abort();
    m_transfer.reset();
    curl_slist_free_all(m_resolve);
}

void PageRequest::abort()
{
    m_done = {};
    if (m_transfer)
        m_transfer->abort();
}

bool PageRequest::judgeHeaders()
{
    const long status = m_transfer->status();
    // An interim reply ("100 Continue") is followed by the real one.
    if (status >= 100 && status < 200)
        return true;
    if (isRedirect(int(status)) && !m_transfer->headerValue("Location").isEmpty()) {
        m_redirect = true;
        return false;
    }
    // Decided on the headers, so a large reply that is not a page is never read. libcurl finds the
    // field whatever its letter case, and a media type is the same in any letter case ("Text/HTML").
    return m_transfer->headerValue("Content-Type").toLower().contains("text/html");
}

// The receiver may free this request: nothing of it is touched after `done`.
void PageRequest::finish()
{
    Done done = std::exchange(m_done, {});
    if (!done)
        return;
    Reply reply;
    if (!m_transfer) {
        done(reply);
        return;
    }
    using Stop = CurlTransfer::Ending;
    reply.status = int(m_transfer->status());
    reply.contentType = m_transfer->headerValue("Content-Type");
    switch (m_transfer->ending()) {
    case Stop::byReceiver:
        reply.ending = m_redirect || m_bodyCut ? Ending::complete : Ending::rejected;
        if (m_redirect)
            reply.location = m_transfer->headerValue("Location");
        if (m_bodyCut)
            reply.body = std::move(m_body);
        break;
    case Stop::bodyTooLarge:
        reply.ending = Ending::rejected;
        break;
    case Stop::byLibrary:
        if (m_transfer->succeeded() && reply.status != 0) {
            reply.ending = Ending::complete;
            reply.body = std::move(m_body);
        }
        break;
    case Stop::timedOut:
    case Stop::headersTooLarge:
        break;
    }
    done(reply);
}

} // namespace tidewell
