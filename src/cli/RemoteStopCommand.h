#pragma once

#include "cli/CommandLineOptions.h"

#include <cstdio>

namespace tidewell {

// `tidewell --stop PORT --host DEST [--force]`: the machine listed once, then each process listening
// on the port there signalled after the same-process check on the far side (start time, socket still
// held), with SIGKILL after the wait under --force. Exit 0 when the port is free there.
class RemoteStopCommand
{
public:
    explicit RemoteStopCommand(const CommandLineOptions& options);

    int run(std::FILE* out = stdout, std::FILE* err = stderr);

private:
    CommandLineOptions m_options;
};

} // namespace tidewell
