#pragma once

#include "records/Result.h"
#include "records/User.h"

#include <QByteArray>

namespace tidewell {

// The reply to the user request.
struct UserResponse
{
    User user;

    bool operator==(const UserResponse&) const = default;

    QJsonObject toJson() const { return {{QStringLiteral("user"), user.toJson()}}; }
    static UserResponse decode(JsonDecoder& decoder, const QJsonValue& value);
    static Result<UserResponse> fromJson(const QByteArray& body);
};

} // namespace tidewell
