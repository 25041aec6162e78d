#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <QUrl>
#include <functional>

struct curl_slist;

namespace tidewell {

class CurlMulti;

// One GET for a local page through libcurl, with the probe's limits: the header section and the
// body are capped, silence longer than the idle time ends it, and a reply that is neither a page nor
// a redirect is dropped as soon as its headers are in. Lives on its CurlMulti's thread.
class PageRequest : public QObject
{
    Q_OBJECT
public:
    enum class Ending
    {
        // A whole HTML reply, or a redirect whose target is in `location`.
        complete,
        // An HTTP reply turned down on purpose: not a page, or a body over the cap.
        rejected,
        // No usable HTTP reply: refused, reset, silent, not HTTP, or headers that never end.
        failed,
    };
    struct Reply
    {
        Ending ending = Ending::failed;
        int status = 0;
        QByteArray location;
        QByteArray body;
        // A certificate refused, which will not change on its own.
        bool untrusted = false;
    };
    struct Limits
    {
        int idleTimeoutMs = 60'000;
        qint64 maxHeaderBytes = 64 * 1024;
        qint64 maxBodyBytes = 2 * 1024 * 1024;
        // "host:port:address[,address]" so that the name in `url` is not looked up; empty to look it up.
        QByteArray connectTo;
        // Certificates trusted besides the system's, in PEM.
        QByteArray extraCertificates;
    };
    using Done = std::function<void(const Reply&)>;

    // Starts at once; `done` is called once, later, unless the request is destroyed first, which
    // closes its connection.
    PageRequest(CurlMulti* multi, const QUrl& url, const Limits& limits, Done done,
                QObject* parent = nullptr);
    ~PageRequest() override;

    // Ends the request at once, closing its connection; `done` is not called.
    void abort();

    static bool isRedirect(int status) { return status >= 300 && status < 400; }

private:
    static size_t onHeader(char* data, size_t size, size_t count, void* self);
    static size_t onBody(char* data, size_t size, size_t count, void* self);
    bool takeHeaderLine(QByteArrayView line);
    void finish(int curlResult);
    void idleTimeout();
    void report();

    CurlMulti* m_multi;
    void* m_easy;
    curl_slist* m_connectTo = nullptr;
    Limits m_limits;
    Done m_done;
    Reply m_reply;
    QByteArray m_contentType;
    qint64 m_headerBytes = 0;
    bool m_headersDone = false;
    bool m_running = true;
    QTimer m_idle;
};

} // namespace tidewell
