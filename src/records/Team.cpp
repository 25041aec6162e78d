#include "records/Team.h"

#include "records/JsonDecoder.h"

namespace tidewell {

QJsonObject Team::toJson() const
{
    QJsonObject object{
        {QStringLiteral("id"), id}, {QStringLiteral("name"), name}, {QStringLiteral("slug"), slug}};
    if (avatar)
        object.insert(QStringLiteral("avatar"), *avatar);
    return object;
}

Team Team::decode(JsonDecoder& decoder, const QJsonValue& value)
{
    const QJsonObject object = decoder.object(value);
    Team team;
    team.id = decoder.requiredString(object, QStringLiteral("id"));
    team.name = decoder.requiredString(object, QStringLiteral("name"));
    team.slug = decoder.requiredString(object, QStringLiteral("slug"));
    team.avatar = decoder.optionalString(object, QStringLiteral("avatar"));
    return team;
}

} // namespace tidewell
