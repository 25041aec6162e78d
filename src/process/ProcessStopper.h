#pragma once

#include "records/ProcessIdentity.h"
#include "records/StopResult.h"

#include <QString>
#include <memory>

namespace tidewell {

class ProcessTable;
class SystemTools;

// Stops a listening process with a signal sent through the shell's `kill`, and watches it let its
// port go. Blocks until `kill` has run and for the wait: call it from a worker thread, never the
// interface's.
class ProcessStopper
{
public:
    // How long a stop waits for the port before it offers to force it.
    static constexpr int kWatchMs = 5000;
    static constexpr int kPollMs = 100;

    ProcessStopper(std::shared_ptr<SystemTools> tools, std::shared_ptr<ProcessTable> table);

    // Runs "/bin/bash -c 'kill -15 PID'" (or -9) and waits for it, once the same-process check has
    // found the pid still held by the listed process, then checks the same every kPollMs until the
    // process no longer holds its socket or `waitMs` has passed. A pid that is not a plain process
    // id runs nothing, so no other text ever reaches the shell.
    StopResult stopProcess(const ProcessIdentity& listed, StopSignal signal = StopSignal::terminate,
                           int waitMs = 0) const;

    // ASCII digits without a leading zero: "0" would signal our own process group.
    static bool isProcessId(const QString& pid);

private:
    std::shared_ptr<SystemTools> m_tools;
    std::shared_ptr<ProcessTable> m_table;
};

} // namespace tidewell
