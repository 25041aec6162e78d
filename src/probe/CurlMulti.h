#pragma once

#include <QHash>
#include <QObject>
#include <QTimer>
#include <curl/curl.h>
#include <functional>

class QSocketNotifier;

namespace tidewell {

// Runs libcurl transfers side by side on the thread it lives on, woken by that thread's event loop
// whenever one of their sockets is ready or one of their timers is due: no thread of its own, no
// polling, and one transfer's flood of bytes never holds up another's.
class CurlMulti : public QObject
{
    Q_OBJECT
public:
    // Called once, on this object's thread, with the transfer's result code.
    using Finished = std::function<void(CURLcode)>;

    explicit CurlMulti(QObject* parent = nullptr);
    ~CurlMulti() override;

    // Starts `easy`, which the caller keeps and frees once `finished` has run or after cancel().
    void start(CURL* easy, Finished finished);
    // Ends a transfer at once and closes its connection; `finished` is not called.
    void cancel(CURL* easy);

private:
    struct Watch
    {
        QSocketNotifier* read = nullptr;
        QSocketNotifier* write = nullptr;
    };

    static int onSocket(CURL* easy, curl_socket_t socket, int what, void* self, void* socketData);
    static int onTimer(CURLM* multi, long timeoutMs, void* self);
    void watch(curl_socket_t socket, int what);
    void act(curl_socket_t socket, int events);
    void collectFinished();

    CURLM* m_multi;
    QTimer m_timer;
    QHash<curl_socket_t, Watch> m_watches;
    QHash<CURL*, Finished> m_running;
};

} // namespace tidewell
