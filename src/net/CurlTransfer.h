#pragma once

#include "net/CurlMulti.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <curl/curl.h>

#include <functional>

namespace tidewell {

// One HTTP exchange over libcurl, run by a CurlMulti: its easy handle, the caps on the header section
// and on the decoded body, the silence that ends it, and the one-line text of how it failed. Callers
// set what else they need on handle() before start(). Lives on the multi's thread.
class CurlTransfer : public QObject
{
    Q_OBJECT
public:
    struct Limits
    {
        // Longest silence, from the start or between bytes, before the transfer fails.
        int idleTimeoutMs = 10'000;
        // The header section of any one reply, status line and closing blank line included.
        qint64 maxHeaderBytes = 64 * 1024;
        // The body as it is handed on, after any decompression; negative for none.
        qint64 maxBodyBytes = -1;
    };
    enum class Ending
    {
        // libcurl ended it: result() says how.
        byLibrary,
        timedOut,
        headersTooLarge,
        bodyTooLarge,
        // A handler asked it to stop.
        byReceiver,
    };
    struct Handlers
    {
        // A reply's header section is in (interim replies included); false stops the transfer.
        std::function<bool()> headersDone;
        // The next decoded body bytes; false stops the transfer.
        std::function<bool(QByteArrayView)> body;
        // Called once on the multi's thread, unless the transfer is aborted or destroyed first.
        std::function<void()> done;
    };

    CurlTransfer(CurlMulti* multi, const QUrl& url, Limits limits, QObject* parent = nullptr);
    ~CurlTransfer() override;

    CURL* handle() const { return m_easy; }
    // Adds a request header line ("Name: value"; "Name:" removes one libcurl would send).
    void addHeader(const QByteArray& line);

    void start(Handlers handlers);
    // Ends it at once, closing its connection; `done` is not called.
    void abort();

    // Once done:
    Ending ending() const { return m_ending; }
    CURLcode result() const { return m_result; }
    bool succeeded() const { return m_ending == Ending::byLibrary && m_result == CURLE_OK; }
    long status() const;
    // Every value of the last reply's header field `name`, in the order they came, joined by ", ".
    QByteArray headerValue(const char* name) const;
    // What went wrong, in one line; empty after success. Holds no request header.
    QString errorText() const;

private:
    static size_t onHeader(char* data, size_t size, size_t count, void* self);
    static size_t onBody(char* data, size_t size, size_t count, void* self);
    void finish(CURLcode result);
    void stopWith(Ending ending);

    CurlMulti* m_multi;
    CURL* m_easy;
    curl_slist* m_headers = nullptr;
    Limits m_limits;
    Handlers m_handlers;
    QTimer m_idle;
    qint64 m_headerBytes = 0;
    qint64 m_bodyBytes = 0;
    bool m_running = false;
    Ending m_ending = Ending::byLibrary;
    CURLcode m_result = CURLE_OK;
    char m_error[CURL_ERROR_SIZE] = {};
};

} // namespace tidewell
