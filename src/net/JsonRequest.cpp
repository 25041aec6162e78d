#include "net/JsonRequest.h"

#include "net/CurlTransfer.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QTimer>
#include <QUrl>

#include <memory>

namespace tidewell {

namespace {

void failLater(QObject* context, std::function<void(Result<QByteArray>)> completion, const QString& error)
{
    QTimer::singleShot(0, context, [completion = std::move(completion), error] {
        completion(Result<QByteArray>::failure(error));
    });
}

} // namespace

CurlMulti* sharedNetworkSession()
{
    return CurlMulti::shared();
}

void sendRequest(CurlMulti* session, const QString& method, const QString& address, const QJsonObject& body,
                 const QMap<QString, QString>& headers, const RequestLimits& limits,
                 std::function<void(Result<QByteArray>)> completion)
{
    const QUrl url(address, QUrl::StrictMode);
    const bool web = url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https");
    if (!url.isValid() || url.isRelative() || url.host().isEmpty() || !web) {
        failLater(session, std::move(completion),
                  QCoreApplication::translate("JsonRequest", "Not a valid address: %1").arg(address));
        return;
    }

    CurlTransfer::Limits transferLimits;
    transferLimits.idleTimeoutMs = int(limits.timeout.count());
    transferLimits.maxBodyBytes = limits.maxBodyBytes;
    // Owned by the callback that ends it; freed once that has run.
    auto* transfer = new CurlTransfer(session, url, transferLimits, session);
    CURL* const easy = transfer->handle();
    const QByteArray verb = method.toUtf8();
    if (verb == "GET") {
        curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    } else {
        curl_easy_setopt(easy, CURLOPT_COPYPOSTFIELDS,
                         QJsonDocument(body).toJson(QJsonDocument::Compact).constData());
        curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, verb.constData());
    }
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, limits.followRedirects ? 1L : 0L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 5L);
    // A service reached over https is not followed back to plain http.
    if (url.scheme() == QLatin1String("https"))
        curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "https");

    // The caller's fields win over the default, whatever their letter case.
    QMap<QString, QPair<QString, QString>> fields;
    fields.insert(QStringLiteral("content-type"),
                  {QStringLiteral("Content-Type"), QStringLiteral("application/json")});
    for (auto it = headers.cbegin(); it != headers.cend(); ++it)
        fields.insert(it.key().toLower(), {it.key(), it.value()});
    for (const auto& [name, value] : std::as_const(fields)) {
        // A line break in a value would begin a header line of its own.
        QByteArray line = name.toUtf8() + ": " + value.toUtf8();
        line.replace('\r', ' ').replace('\n', ' ').replace('\0', ' ');
        transfer->addHeader(line);
    }
    // The body goes at once rather than after the server's leave.
    transfer->addHeader("Expect:");

    auto received = std::make_shared<QByteArray>();
    CurlTransfer::Handlers handlers;
    handlers.body = [received](QByteArrayView bytes) {
        received->append(bytes);
        return true;
    };
    const bool followRedirects = limits.followRedirects;
    handlers.done = [transfer, received, followRedirects, completion = std::move(completion)] {
        transfer->deleteLater();
        const long status = transfer->status();
        // Its target is not named: the address is the sender's to choose, and may carry anything.
        if (transfer->succeeded() && !followRedirects && status >= 300 && status < 400)
            completion(Result<QByteArray>::failure(
                QCoreApplication::translate(
                    "JsonRequest", "The service answered with a redirect (HTTP %1), which is not followed.")
                    .arg(status)));
        else if (transfer->succeeded())
            completion(Result<QByteArray>::success(*received));
        else
            completion(Result<QByteArray>::failure(transfer->errorText()));
    };
    transfer->start(std::move(handlers));
}

} // namespace tidewell
