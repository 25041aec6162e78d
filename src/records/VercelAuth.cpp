#include "records/VercelAuth.h"

#include "records/JsonDecoder.h"

namespace tidewell {

VercelAuth VercelAuth::decode(JsonDecoder& decoder, const QJsonValue& value)
{
    return {decoder.requiredString(decoder.object(value), QStringLiteral("token"))};
}

Result<VercelAuth> VercelAuth::fromJson(const QByteArray& body)
{
    return JsonDecoder::decodeDocument<VercelAuth>(body);
}

} // namespace tidewell
