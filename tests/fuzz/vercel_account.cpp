// The Vercel replies about the account (user, teams) and the command-line tool's credential file.
#include "FuzzInput.h"
#include "records/TeamsResponse.h"
#include "records/UserResponse.h"
#include "records/VercelAuth.h"

using namespace tidewell;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray body = fuzz::bytes(data, size);
    fuzz::requireRoundTrip(TeamsResponse::fromJson(body));
    fuzz::requireRoundTrip(UserResponse::fromJson(body));
    if (const auto auth = VercelAuth::fromJson(body)) {
        const auto again = VercelAuth::fromJson(QJsonDocument(auth.value().toJson()).toJson());
        fuzz::require(again.ok() && again.value().token == auth.value().token);
    }
    return 0;
}
