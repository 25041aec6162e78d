#pragma once

#include "net/CurlTransfer.h"

#include <QByteArray>
#include <QObject>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <memory>

namespace tidewell {

// One GET for a local page, plain or TLS, through libcurl with the probe's limits: the header section
// is capped, a body is read up to its cap and no further, silence longer than the idle time ends it,
// and a reply that is neither a page nor a redirect is dropped as soon as its headers are in. Runs
// on the event loop of the thread its CurlMulti lives on.
class PageRequest : public QObject
{
    Q_OBJECT
public:
    enum class Ending
    {
        // An HTML reply (its first maxBodyBytes when it is longer), or a redirect whose target is
        // in `location`.
        complete,
        // An HTTP reply turned down on purpose, as it is not a page: its type is in `contentType`.
        rejected,
        // No usable HTTP reply: refused, reset, silent, not HTTP, or headers over the cap.
        failed,
    };
    struct Reply
    {
        Ending ending = Ending::failed;
        int status = 0;
        QByteArray location;
        QByteArray contentType;
        QByteArray body;
    };
    struct Limits
    {
        int idleTimeoutMs = 60'000;
        qint64 maxHeaderBytes = 64 * 1024;
        qint64 maxBodyBytes = 2 * 1024 * 1024;
        // Where the name "localhost" connects, tried in order (numeric addresses); empty for the
        // loopback addresses, IPv4 first. No other name is looked up.
        QStringList localhostAddresses;
        // A SOCKS proxy that reaches another machine ("socks5h://127.0.0.1:1080"): "localhost" is
        // then that machine's, named to the proxy and resolved there. Empty: this machine, no proxy.
        QByteArray proxy;
    };
    using Done = std::function<void(const Reply&)>;

    // `done` is called once, later, unless the request is destroyed or aborted first, which closes
    // its connection.
    PageRequest(const QUrl& url, const Limits& limits, CurlMulti* multi, Done done,
                QObject* parent = nullptr);
    ~PageRequest() override;

    // Ends the request at once, closing its connection; `done` is not called.
    void abort();

    static bool isRedirect(int status) { return status >= 300 && status < 400; }

private:
    bool judgeHeaders();
    void finish();

    Done m_done;
    std::unique_ptr<CurlTransfer> m_transfer;
    // Where "localhost" connects; read by libcurl when the transfer begins, so kept until it ends.
    curl_slist* m_resolve = nullptr;
    QByteArray m_proxy;
    QByteArray m_body;
    qint64 m_maxBodyBytes = 0;
    bool m_redirect = false;
    bool m_bodyCut = false;
};

} // namespace tidewell
