#include "records/TeamsResponse.h"

#include "records/JsonDecoder.h"

namespace tidewell {

QJsonObject TeamsResponse::toJson() const
{
    QJsonArray array;
    for (const Team& team : teams)
        array.append(team.toJson());
    return {{QStringLiteral("teams"), array}};
}

TeamsResponse TeamsResponse::decode(JsonDecoder& decoder, const QJsonValue& value)
{
    return {decoder.requiredList<Team>(decoder.object(value), QStringLiteral("teams"))};
}

Result<TeamsResponse> TeamsResponse::fromJson(const QByteArray& body)
{
    return JsonDecoder::decodeDocument<TeamsResponse>(body);
}

Result<TeamsResponse> TeamsResponse::fromJson(const QByteArray& body, qsizetype maxTeams)
{
    return JsonDecoder::decodeDocument<TeamsResponse>(
        body, [maxTeams](JsonDecoder& decoder, const QJsonValue& value) {
            return TeamsResponse{
                decoder.requiredList<Team>(decoder.object(value), QStringLiteral("teams"), maxTeams)};
        });
}

} // namespace tidewell
