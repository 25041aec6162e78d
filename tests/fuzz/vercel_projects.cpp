// The Vercel projects reply, with each project's latest deployments.
#include "FuzzInput.h"
#include "records/ProjectResponse.h"

using namespace tidewell;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::requireRoundTrip(ProjectResponse::fromJson(fuzz::bytes(data, size)));
    return 0;
}
