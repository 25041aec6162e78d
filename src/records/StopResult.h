#pragma once

namespace tidewell {

// Which signal a stop sends.
enum class StopSignal
{
    terminate, // SIGTERM: the process may end in its own way
    kill       // SIGKILL: for a process that did not
};

// How a stop ended.
enum class StopResult
{
    stopped,        // the listed process no longer holds its socket
    stillListening, // signalled, and still holding it when the wait ended
    notListed,      // nothing sent: the pid no longer belongs to the listed process
    notPermitted    // nothing sent: the process belongs to another user
};

} // namespace tidewell
