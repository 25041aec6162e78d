#include "records/Meta.h"

#include "records/DisplayText.h"
#include "records/JsonDecoder.h"

namespace tidewell {

std::optional<QString> Meta::commitLine() const
{
    if (!githubCommitAuthorName || !githubCommitMessage)
        return std::nullopt;
    return DisplayText::oneLine(*githubCommitAuthorName + QStringLiteral(": ") + *githubCommitMessage);
}

QJsonObject Meta::toJson() const
{
    QJsonObject object;
    if (githubCommitAuthorName)
        object.insert(QStringLiteral("githubCommitAuthorName"), *githubCommitAuthorName);
    if (githubCommitMessage)
        object.insert(QStringLiteral("githubCommitMessage"), *githubCommitMessage);
    return object;
}

Meta Meta::decode(JsonDecoder& decoder, const QJsonValue& value)
{
    const QJsonObject object = decoder.object(value);
    return {decoder.optionalString(object, QStringLiteral("githubCommitAuthorName")),
            decoder.optionalString(object, QStringLiteral("githubCommitMessage"))};
}

} // namespace tidewell
