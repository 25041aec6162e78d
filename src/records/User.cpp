#include "records/User.h"

#include "records/JsonDecoder.h"
#include "records/JsonHash.h"

namespace tidewell {

User User::decode(JsonDecoder& decoder, const QJsonValue& value)
{
    return {decoder.requiredString(decoder.object(value), QStringLiteral("username"))};
}

size_t qHash(const User& user, size_t seed)
{
    return qHashJson(user.toJson(), seed);
}

} // namespace tidewell
