#pragma once

#include "net/CurlMulti.h"
#include "probe/PageRequest.h"
#include "records/HTMLData.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>

namespace tidewell {

// Asks a local port for its page, over http and then https, and reads the title and app type out
// of an HTML reply, decoded by its charset and cut at the cap. A server that answers with anything
// else is described instead: "JSON API", its media type, or where its redirect leads when that may
// not be followed ("redirects to example.com"). Lives on the interface thread; its requests run side by side
// through libcurl, driven by that thread's event loop, so a port that floods or stalls holds up no other.
class PageProbe : public QObject
{
    Q_OBJECT
public:
    struct Outcome
    {
        std::optional<HTMLData> page;
        // `page` describes a reply that was no page ("JSON API", "redirects to example.com").
        bool described = false;
        // No scheme got any HTTP reply (refused, reset, timed out, headers without end): the server
        // may answer later, unlike one that replied with something other than a page.
        bool noAnswer = false;
    };
    using Callback = std::function<void(Outcome)>;

    // A dev server compiling its first page sends nothing for many seconds; only this much silence
    // between bytes ends the request.
    static constexpr int kDefaultIdleTimeoutMs = 60'000;
    static constexpr qint64 kDefaultMaxBodyBytes = 2 * 1024 * 1024;
    static constexpr qint64 kMaxHeaderBytes = 64 * 1024;
    static constexpr int kMaxRedirects = 5;

    explicit PageProbe(QObject* parent = nullptr);
    ~PageProbe() override;

    void setIdleTimeoutMs(int timeoutMs) { m_idleTimeoutMs = timeoutMs; }
    // A limit on the whole probe, both schemes together, for callers that cannot wait (the command
    // line); 0 means none. When it passes, the connection is closed at once.
    void setDeadlineMs(int deadlineMs) { m_deadlineMs = deadlineMs; }
    // Only this much of a body is read, so an endless server cannot fill memory; a longer page is
    // read from its first bytes.
    void setMaxBodyBytes(qint64 bytes) { m_maxBodyBytes = bytes; }
    // Probes go through this SOCKS proxy to another machine, whose "localhost" they then ask
    // (PageRequest::Limits::proxy); empty for this machine.
    void setProxy(const QByteArray& proxy) { m_proxy = proxy; }

    // The address a user opens: the page on "localhost".
    static QUrl pageAddress(HttpScheme scheme, const QString& port);
    // Redirects are followed only to this machine: a local server must not make us fetch a page
    // from anywhere else.
    static bool isLoopbackAddress(const QUrl& url);
    // What a reply that is no page is shown as: "JSON API" for any JSON type, else its media type
    // without parameters, else its status ("HTTP 204").
    static QString describeReply(const QByteArray& contentType, int status);
    // What a redirect that is not followed is shown as: "redirects to " and the target's host, or its
    // scheme where it has none ("redirects to file://").
    static QString describeRedirect(const QUrl& target);

    // Calls `done` exactly once, on this object's thread. `host` is the address the port was found
    // listening on ("127.0.0.1", "[::1]", "*" for any, or one of this machine's addresses): the
    // probe connects there instead of looking up "localhost", which stays the name in the request.
    // Empty or not an address: "localhost" is looked up.
    void fetchHTMLData(const QString& port, const QString& host, Callback done);
    void fetchHTMLData(const QString& port, Callback done)
    {
        fetchHTMLData(port, QString(), std::move(done));
    }

private:
    struct Probe;

    void tryScheme(Probe& probe);
    void request(Probe& probe, const QUrl& url);
    void replied(quint64 id, const PageRequest::Reply& reply);
    void finish(quint64 id, Outcome outcome);

    // Its own, so that the probe's transfers run on whatever thread it lives on.
    CurlMulti m_multi{this};
    QHash<quint64, std::shared_ptr<Probe>> m_probes;
    quint64 m_nextId = 1;
    int m_idleTimeoutMs = kDefaultIdleTimeoutMs;
    int m_deadlineMs = 0;
    qint64 m_maxBodyBytes = kDefaultMaxBodyBytes;
    QByteArray m_proxy;
};

} // namespace tidewell
