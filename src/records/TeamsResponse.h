#pragma once

#include "records/Result.h"
#include "records/Team.h"

#include <QByteArray>
#include <QList>

namespace tidewell {

// The reply to the request for teams, in the service's order.
struct TeamsResponse
{
    QList<Team> teams;

    bool operator==(const TeamsResponse&) const = default;

    QJsonObject toJson() const;
    static TeamsResponse decode(JsonDecoder& decoder, const QJsonValue& value);
    static Result<TeamsResponse> fromJson(const QByteArray& body);
    // The same with no more than the first `maxTeams` of the list: the rest is not decoded.
    static Result<TeamsResponse> fromJson(const QByteArray& body, qsizetype maxTeams);
};

} // namespace tidewell
