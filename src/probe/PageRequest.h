#pragma once

#include "platform/HttpReplyParser.h"
#include "probe/PageConnection.h"

#include <QByteArray>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QUrl>
#include <functional>
#include <memory>

namespace tidewell {

// One GET for a local page over HTTP/1.1, plain or TLS, with the probe's limits: the header section
// and the body are capped, silence longer than the idle time ends it, and a reply that is neither a
// page nor a redirect is dropped as soon as its headers are in. Runs on the event loop of the thread
// it lives on.
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
        // Where the name "localhost" connects, tried in order (numeric addresses); empty for the
        // loopback addresses, IPv4 first. No other name is looked up.
        QStringList localhostAddresses;
        // Certificates trusted besides the system's, in PEM.
        QByteArray extraCertificates;
    };
    using Done = std::function<void(const Reply&)>;

    // Starts on the next turn of the event loop; `done` is called once, later, unless the request is
    // destroyed or aborted first, which closes its connection. An https address is asked over a
    // connection from `secure`; without one it fails.
    PageRequest(const QUrl& url, const Limits& limits, SecureConnector secure, Done done,
                QObject* parent = nullptr);
    ~PageRequest() override;

    // Ends the request at once, closing its connection; `done` is not called.
    void abort();

    static bool isRedirect(int status) { return status >= 300 && status < 400; }

private:
    void connectNext();
    void sendRequest();
    void readReply();
    void connectionFailed(PageConnection::Failure failure);
    void judge();
    void finish(Ending ending);
    void closeSocket();

    QUrl m_url;
    Limits m_limits;
    SecureConnector m_secure;
    Done m_done;
    HttpReplyParser m_parser;
    QStringList m_addresses;
    qsizetype m_nextAddress = 0;
    std::unique_ptr<PageConnection> m_connection;
    bool m_connected = false;
    bool m_headersJudged = false;
    bool m_untrusted = false;
    QTimer m_idle;
};

} // namespace tidewell
