#pragma once

#include "records/HTMLData.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QUrl>
#include <functional>
#include <optional>

class QNetworkAccessManager;

namespace tidewell {

// Asks a local port for its page, over http and then https, and reads the title and app type out
// of an HTML reply. Lives on the interface thread; its requests are asynchronous.
class PageProbe : public QObject
{
    Q_OBJECT
public:
    struct Outcome
    {
        std::optional<HTMLData> page;
        // No scheme got any HTTP reply (refused, reset, timed out): the server may answer later,
        // unlike one that replied with something other than a page.
        bool noAnswer = false;
    };
    using Callback = std::function<void(Outcome)>;

    // A dev server compiling its first page sends nothing for many seconds; only this much silence
    // between bytes ends the request.
    static constexpr int kDefaultIdleTimeoutMs = 60'000;
    static constexpr qint64 kDefaultMaxBodyBytes = 2 * 1024 * 1024;
    static constexpr int kMaxRedirects = 5;

    explicit PageProbe(QObject* parent = nullptr);

    void setIdleTimeoutMs(int timeoutMs) { m_idleTimeoutMs = timeoutMs; }
    // A limit on the whole probe, both schemes together, for callers that cannot wait (the command
    // line); 0 means none.
    void setDeadlineMs(int deadlineMs) { m_deadlineMs = deadlineMs; }
    // A body larger than this gives no page, so an endless server cannot fill memory.
    void setMaxBodyBytes(qint64 bytes) { m_maxBodyBytes = bytes; }

    static QUrl pageAddress(HttpScheme scheme, const QString& port);
    // Redirects are followed only to this machine: a local server must not make us fetch a page
    // from anywhere else.
    static bool isLoopbackAddress(const QUrl& url);

    // Calls `done` exactly once, on this object's thread.
    void fetchHTMLData(const QString& port, Callback done);

private:
    void tryScheme(const QString& port, int schemeIndex, bool answered, QDeadlineTimer deadline,
                   Callback done);

    QNetworkAccessManager* m_network;
    int m_idleTimeoutMs = kDefaultIdleTimeoutMs;
    int m_deadlineMs = 0;
    qint64 m_maxBodyBytes = kDefaultMaxBodyBytes;
};

} // namespace tidewell
