#pragma once

#include "cli/CommandLineOptions.h"

#include <cstdio>

namespace tidewell {

// `tidewell --list --host DEST...`: each machine listed once through its shared ssh connection, the
// pages of its servers probed through the connection's tunnel with the same wait as local ones.
// The table names each machine above its rows; the JSON is one array whose entries carry "host".
// Exit 0 when every machine answered, 1 when one could not be listed (its reason on standard error).
class RemoteListCommand
{
public:
    explicit RemoteListCommand(const CommandLineOptions& options);

    // Runs the event loop of the current QCoreApplication until every machine has answered.
    int run(std::FILE* out = stdout, std::FILE* err = stderr);

private:
    CommandLineOptions m_options;
};

} // namespace tidewell
