#include "records/UserResponse.h"

#include "records/JsonDecoder.h"
#include "records/JsonHash.h"

namespace tidewell {

UserResponse UserResponse::decode(JsonDecoder& decoder, const QJsonValue& value)
{
    return {decoder.requiredRecord<User>(decoder.object(value), QStringLiteral("user"))};
}

Result<UserResponse> UserResponse::fromJson(const QByteArray& body)
{
    return JsonDecoder::decodeDocument<UserResponse>(body);
}

size_t qHash(const UserResponse& response, size_t seed)
{
    return qHashJson(response.toJson(), seed);
}

} // namespace tidewell
