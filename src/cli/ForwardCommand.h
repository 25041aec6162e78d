#pragma once

#include "cli/CommandLineOptions.h"

#include <cstdio>

namespace tidewell {

// `tidewell --forward DEST:PORT [--local-port N]`: asks the machine's shared ssh connection to forward
// a local port (N, or a free one) to PORT on that machine's localhost, prints the local address and
// exits; the forward lasts as long as the connection (its ControlPersist).
class ForwardCommand
{
public:
    explicit ForwardCommand(const CommandLineOptions& options);

    int run(std::FILE* out = stdout, std::FILE* err = stderr);

private:
    CommandLineOptions m_options;
};

} // namespace tidewell
