#pragma once

#include "net/CurlMulti.h"
#include "records/Result.h"

#include <QByteArray>
#include <QJsonObject>
#include <QMap>
#include <QString>

#include <chrono>
#include <functional>
#include <utility>

namespace tidewell {

// Bounds of one request to a remote service. Tests shorten them; the program uses the defaults.
struct RequestLimits
{
    // Longest silence between bytes before the request fails.
    std::chrono::milliseconds timeout{10'000};
    // A larger reply body is a failure rather than memory spent on it.
    qint64 maxBodyBytes = 10 * 1024 * 1024;
    // Off for a service that is sent credentials: a redirect would carry them to wherever it points,
    // so it fails instead.
    bool followRedirects = true;
    // A downloaded file without an announced length stops here (one with a length stops there).
    qint64 maxDownloadBytes = qint64(2) * 1024 * 1024 * 1024;
};

// The process-wide session every remote request goes through. Lives on the interface thread.
CurlMulti* sharedNetworkSession();

// Sends one HTTP request to a remote service and hands the reply body to `completion`, exactly once,
// on the session's thread. The body object goes out as JSON for every method but GET; headers start
// from "Content-Type: application/json" and the caller's fields win. The HTTP status is not looked
// at: only a transport error, a timeout, an oversized body, an address that does not parse, or a
// redirect when `limits` follows none, fail. Certificates are checked against the system's
// authorities; redirects are followed, never from https to http.
// Returns at once; even an immediate failure reaches `completion` later, never from inside this call.
void sendRequest(CurlMulti* session, const QString& method, const QString& address, const QJsonObject& body,
                 const QMap<QString, QString>& headers, const RequestLimits& limits,
                 std::function<void(Result<QByteArray>)> completion);

// `sendRequest` whose reply is decoded into `T` by `T::fromJson(const QByteArray&) -> Result<T>`:
// a body of the wrong shape is a failure with the decoding error.
template <typename T>
void sendJSONRequest(const QString& method, const QString& address, const QJsonObject& body,
                     const QMap<QString, QString>& headers, CurlMulti* session,
                     std::function<void(Result<T>)> completion, const RequestLimits& limits = {})
{
    sendRequest(session, method, address, body, headers, limits,
                [completion = std::move(completion)](const Result<QByteArray>& reply) {
                    if (!reply)
                        completion(Result<T>::failure(reply.error()));
                    else
                        completion(T::fromJson(reply.value()));
                });
}

} // namespace tidewell
