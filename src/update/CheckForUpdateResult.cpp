#include "update/CheckForUpdateResult.h"

#include <QCoreApplication>
#include <QJsonDocument>

namespace tidewell {

namespace {

// An absent or null member is no value; any other kind than text is a malformed answer.
bool readOptionalText(const QJsonObject& object, const QString& key, std::optional<QString>& into)
{
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull())
        return true;
    if (!value.isString())
        return false;
    into = value.toString();
    return true;
}

} // namespace

QJsonObject CheckForUpdateResult::toJson() const
{
    QJsonObject object{{QStringLiteral("message"), message}};
    if (version)
        object.insert(QStringLiteral("version"), *version);
    if (download_link)
        object.insert(QStringLiteral("download_link"), *download_link);
    return object;
}

Result<CheckForUpdateResult> CheckForUpdateResult::fromJson(const QByteArray& body)
{
    using Outcome = Result<CheckForUpdateResult>;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError)
        return Outcome::failure(
            QCoreApplication::translate("CheckForUpdateResult", "The answer is not JSON: %1")
                .arg(error.errorString()));
    if (!document.isObject())
        return Outcome::failure(
            QCoreApplication::translate("CheckForUpdateResult", "The answer is not a JSON object."));
    const QJsonObject object = document.object();
    const QJsonValue message = object.value(QStringLiteral("message"));
    if (!message.isString())
        return Outcome::failure(QCoreApplication::translate("CheckForUpdateResult",
                                                            "The answer has no text member \"message\"."));
    CheckForUpdateResult result{message.toString(), std::nullopt, std::nullopt};
    if (!readOptionalText(object, QStringLiteral("version"), result.version) ||
        !readOptionalText(object, QStringLiteral("download_link"), result.download_link))
        return Outcome::failure(QCoreApplication::translate(
            "CheckForUpdateResult", "The answer's \"version\" or \"download_link\" is not text."));
    return Outcome::success(result);
}

} // namespace tidewell
