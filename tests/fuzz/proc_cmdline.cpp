// /proc/PID/cmdline, which any process chooses: the command text shown and the shell tests of the
// origin walk.
#include "FuzzInput.h"
#include "platform/linux/LinuxProcessTable.h"

using namespace tidewell;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray raw = fuzz::bytes(data, size);
    const QString text = LinuxProcessTable::commandLineText(raw);
    fuzz::require(!text.contains(QChar(0)));
    LinuxProcessTable::looksLikeShell(text);
    LinuxProcessTable::isShellProgram(raw);
    return 0;
}
