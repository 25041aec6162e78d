#pragma once

namespace tidewell {

// The program's message handler: each message, whatever its category and level, is written to
// standard error as one line of its own words and flushed at once, so the lines keep their order
// with a command's own errors and never reach a command's standard output. Qt's default handler
// would send them to the systemd journal instead when standard error is not a terminal.
class StandardErrorLog
{
public:
    StandardErrorLog() = delete;

    // Call once, first thing in main.
    static void install();
};

} // namespace tidewell
