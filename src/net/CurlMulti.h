#pragma once

#include <QHash>
#include <QObject>
#include <QTimer>
#include <curl/curl.h>

#include <functional>

class QSocketNotifier;

namespace tidewell {

// libcurl's multi interface driven by the event loop of the thread it lives on: each socket libcurl
// waits on is watched by a QSocketNotifier, its timer is a QTimer. Lives on one thread; transfers are
// added, removed and finished there, and nothing blocks it.
class CurlMulti : public QObject
{
    Q_OBJECT
public:
    using Done = std::function<void(CURLcode)>;

    explicit CurlMulti(QObject* parent = nullptr);
    // Its children (transfers given to it) go first, then every transfer still running is stopped.
    ~CurlMulti() override;
    CurlMulti(const CurlMulti&) = delete;
    CurlMulti& operator=(const CurlMulti&) = delete;

    // The process-wide one, made on first use on the interface thread and kept to the end.
    static CurlMulti* shared();

    // Starts `easy`; `done` is called once, on this thread, when it has ended, and never from inside
    // this call. The handle stays the caller's.
    void add(CURL* easy, Done done);
    // Stops `easy` at once without calling its `done`; an unfinished connection is closed. Must not
    // be called from inside a libcurl callback (header or body), which stops a transfer by its return.
    void remove(CURL* easy);

private:
    struct Watch
    {
        curl_socket_t socket;
        QSocketNotifier* read = nullptr;
        QSocketNotifier* write = nullptr;
    };

    static int onSocket(CURL* easy, curl_socket_t socket, int what, void* self, void* watch);
    static int onTimer(CURLM* multi, long timeoutMs, void* self);
    void watch(curl_socket_t socket, int what, Watch* existing);
    void act(curl_socket_t socket, int events);
    void takeFinished();

    CURLM* m_multi;
    QTimer m_timer;
    QHash<CURL*, Done> m_running;
};

} // namespace tidewell
