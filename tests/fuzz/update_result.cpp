// The update service's answer.
#include "FuzzInput.h"
#include "update/CheckForUpdateResult.h"

using namespace tidewell;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::requireRoundTrip(CheckForUpdateResult::fromJson(fuzz::bytes(data, size)));
    return 0;
}
