#pragma once

#include "records/HTMLData.h"

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
    using Callback = std::function<void(std::optional<HTMLData>)>;

    static constexpr int kDefaultTimeoutMs = 3000;
    static constexpr qint64 kDefaultMaxBodyBytes = 2 * 1024 * 1024;

    explicit PageProbe(QObject* parent = nullptr);

    // A server that has not sent its whole reply within this time gives no page.
    void setTimeoutMs(int timeoutMs) { m_timeoutMs = timeoutMs; }
    // A body larger than this gives no page, so an endless server cannot fill memory.
    void setMaxBodyBytes(qint64 bytes) { m_maxBodyBytes = bytes; }

    static QUrl pageAddress(HttpScheme scheme, const QString& port);

    // Calls `done` exactly once, on this object's thread, with the page found or nothing.
    void fetchHTMLData(const QString& port, Callback done);

private:
    void tryScheme(const QString& port, int schemeIndex, Callback done);

    QNetworkAccessManager* m_network;
    int m_timeoutMs = kDefaultTimeoutMs;
    qint64 m_maxBodyBytes = kDefaultMaxBodyBytes;
};

} // namespace tidewell
