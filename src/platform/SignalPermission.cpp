#include "platform/SignalPermission.h"

#include <cerrno>
#include <signal.h>

namespace tidewell {

bool maySignalProcess(qint64 pid)
{
    // Signal 0 runs the kernel's permission check and delivers nothing.
    return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno != EPERM);
}

} // namespace tidewell
