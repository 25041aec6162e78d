// What the origin script (folder, then command line) and the statistics command (ps columns, then
// the branch) print through the shell.
#include "FuzzInput.h"
#include "platform/commands/ShellProcessTable.h"

using namespace tidewell;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray output = fuzz::bytes(data, size);
    if (const auto origin = ShellProcessTable::parseOriginOutput(output))
        fuzz::require(!origin->cwd.contains(u'\n') && !origin->cmd.contains(u'\n'));
    if (const auto reading = ShellProcessTable::parseStatisticsOutput(output))
        fuzz::require(!reading->cpu.isEmpty() && !reading->mem.isEmpty() && !reading->rssKilobytes.isEmpty());
    return 0;
}
