#pragma once

#include "platform/ProcessReading.h"
#include "records/ProcessInfo.h"

#include <optional>

namespace tidewell {

// What the host tells about one process. Calls may block and run on worker threads.
class ProcessTable
{
public:
    virtual ~ProcessTable() = default;

    // Walks from the process up its parents to the first shell and reports the folder and
    // command line of the shell's child on that chain.
    virtual std::optional<ProcessInfo> origin(const QString& pid) = 0;
    // CPU, memory and the git branch of `cwd`; nothing once the process is gone.
    virtual std::optional<ProcessReading> reading(const QString& pid, const QString& cwd) = 0;
};

} // namespace tidewell
