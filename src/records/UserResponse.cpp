#include "records/UserResponse.h"

#include "records/JsonDecoder.h"

namespace tidewell {

UserResponse UserResponse::decode(JsonDecoder& decoder, const QJsonValue& value)
{
    return {decoder.requiredRecord<User>(decoder.object(value), QStringLiteral("user"))};
}

Result<UserResponse> UserResponse::fromJson(const QByteArray& body)
{
    return JsonDecoder::decodeDocument<UserResponse>(body);
}

} // namespace tidewell
