#include "records/User.h"

#include "records/JsonDecoder.h"

namespace tidewell {

User User::decode(JsonDecoder& decoder, const QJsonValue& value)
{
    return {decoder.requiredString(decoder.object(value), QStringLiteral("username"))};
}

} // namespace tidewell
