#pragma once

#include "cli/CommandLineOptions.h"
#include "platform/Host.h"

#include <cstdio>
#include <optional>

namespace tidewell {

// `tidewell --list`: one scan with page probes and origin lookups, printed, then the exit code. As
// JSON, a server whose folder is linked to a Vercel project the account can see also carries its
// latest deployment.
class ListCommand
{
public:
    // `storedTeam` is the team chosen in the window, whose projects the linked ones are looked up in.
    ListCommand(const CommandLineOptions& options, Host host, std::optional<QString> storedTeam = {});

    // Runs the event loop of the current QCoreApplication until the scan and its probes end.
    int run(std::FILE* out = stdout);

private:
    CommandLineOptions m_options;
    Host m_host;
    std::optional<QString> m_storedTeam;
};

} // namespace tidewell
