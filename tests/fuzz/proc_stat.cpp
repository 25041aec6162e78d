// /proc/PID/stat, whose name field any process chooses, and lsof's COMMAND text made from it.
#include "FuzzInput.h"
#include "platform/linux/LsofCommandName.h"
#include "platform/linux/ProcFs.h"

using namespace tidewell;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray content = fuzz::bytes(data, size);
    if (const auto stat = procfs::parseStat(content)) {
        fuzz::require(content.contains(stat->comm));
        fuzz::require(lsofCommandName(stat->comm).size() <= 9);
    }
    fuzz::require(lsofCommandName(content).size() <= 9);
    return 0;
}
