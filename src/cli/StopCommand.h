#pragma once

#include "cli/CommandLineOptions.h"
#include "platform/Host.h"
#include "process/ProcessStopper.h"

#include <QCoreApplication>
#include <cstdio>

namespace tidewell {

// `tidewell --stop PORT [--force]`: the processes listening on the port get SIGTERM after the
// same-process check, then up to kWatchMs to let it go; with --force, SIGKILL after the same check
// for one that did not. Prints what it stopped; the exit code says whether the port is free.
class StopCommand
{
    Q_DECLARE_TR_FUNCTIONS(StopCommand)

public:
    StopCommand(const CommandLineOptions& options, Host host, int watchMs = ProcessStopper::kWatchMs);

    int run(std::FILE* out = stdout, std::FILE* err = stderr);

private:
    CommandLineOptions m_options;
    Host m_host;
    int m_watchMs;
};

} // namespace tidewell
