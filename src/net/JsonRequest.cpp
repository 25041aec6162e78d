#include "net/JsonRequest.h"

#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
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

// Qt reports an HTTP error status as a reply error too; only the network and proxy ranges mean that
// no answer arrived.
bool isTransportError(QNetworkReply::NetworkError error)
{
    return error > QNetworkReply::NoError && error < QNetworkReply::ContentAccessDenied;
}

} // namespace

QNetworkAccessManager* sharedNetworkSession()
{
    // Created on first use and left to the end of the process, as one session per program should be.
    static auto* session = new QNetworkAccessManager;
    return session;
}

void sendRequest(QNetworkAccessManager* session, const QString& method, const QString& address,
                 const QJsonObject& body, const QMap<QString, QString>& headers, const RequestLimits& limits,
                 std::function<void(Result<QByteArray>)> completion)
{
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid() || url.isRelative() || url.host().isEmpty()) {
        failLater(session, std::move(completion), QStringLiteral("Not a valid address: ") + address);
        return;
    }

    QNetworkRequest request(url);
    request.setTransferTimeout(static_cast<int>(limits.timeout.count()));
    request.setRawHeader("Content-Type", "application/json");
    for (auto it = headers.cbegin(); it != headers.cend(); ++it)
        request.setRawHeader(it.key().toUtf8(), it.value().toUtf8());

    const QByteArray verb = method.toUtf8();
    const QByteArray payload =
        verb == "GET" ? QByteArray() : QJsonDocument(body).toJson(QJsonDocument::Compact);
    QNetworkReply* reply =
        verb == "GET" ? session->get(request) : session->sendCustomRequest(request, verb, payload);

    auto tooLarge = std::make_shared<bool>(false);
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply,
                     [reply, tooLarge, cap = limits.maxBodyBytes](qint64 received, qint64 total) {
                         if (received > cap || total > cap) {
                             *tooLarge = true;
                             reply->abort();
                         }
                     });
    QObject::connect(reply, &QNetworkReply::finished, reply,
                     [reply, tooLarge, cap = limits.maxBodyBytes, completion = std::move(completion)] {
                         reply->deleteLater();
                         if (*tooLarge) {
                             completion(Result<QByteArray>::failure(
                                 QStringLiteral("The reply is larger than %1 bytes.").arg(cap)));
                         } else if (reply->error() == QNetworkReply::OperationCanceledError) {
                             // Nothing but the transfer timeout cancels a request.
                             completion(
                                 Result<QByteArray>::failure(QStringLiteral("The request timed out.")));
                         } else if (isTransportError(reply->error())) {
                             completion(Result<QByteArray>::failure(reply->errorString()));
                         } else {
                             completion(Result<QByteArray>::success(reply->readAll()));
                         }
                     });
}

} // namespace tidewell
