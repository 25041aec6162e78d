// The JSON replies of the remote services (the update service; Vercel's projects, user and teams)
// and the Vercel tool's credential file: each that decodes reads back the same from its own JSON form.
#include "FuzzInput.h"
#include "records/ProjectResponse.h"
#include "records/TeamsResponse.h"
#include "records/UserResponse.h"
#include "records/VercelAuth.h"
#include "update/CheckForUpdateResult.h"

using namespace tidewell;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray body = fuzz::bytes(data, size);
    fuzz::requireRoundTrip(CheckForUpdateResult::fromJson(body));
    fuzz::requireRoundTrip(ProjectResponse::fromJson(body));
    fuzz::requireRoundTrip(TeamsResponse::fromJson(body));
    fuzz::requireRoundTrip(UserResponse::fromJson(body));
    if (const auto auth = VercelAuth::fromJson(body)) {
        const auto again = VercelAuth::fromJson(QJsonDocument(auth.value().toJson()).toJson());
        fuzz::require(again.ok() && again.value().token == auth.value().token);
    }
    return 0;
}
