#pragma once

#include "cli/CommandLineOptions.h"
#include "platform/Host.h"

#include <cstdio>

namespace tidewell {

// `tidewell --list`: one scan with page probes and origin lookups, printed, then the exit code.
class ListCommand
{
public:
    ListCommand(const CommandLineOptions& options, Host host);

    // Runs the event loop of the current QCoreApplication until the scan and its probes end.
    int run(std::FILE* out = stdout);

private:
    CommandLineOptions m_options;
    Host m_host;
};

} // namespace tidewell
