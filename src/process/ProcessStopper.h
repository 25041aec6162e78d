#pragma once

#include "records/ProcessIdentity.h"

#include <QString>
#include <memory>

namespace tidewell {

class ProcessTable;
class SystemTools;

// Asks a listening process to end with SIGTERM, through the shell's `kill`. Blocks until `kill`
// has run: call it from a worker thread, never the interface's.
class ProcessStopper
{
public:
    ProcessStopper(std::shared_ptr<SystemTools> tools, std::shared_ptr<ProcessTable> table);

    // Runs "/bin/bash -c 'kill -15 PID'" and waits for it, once the same-process check has found
    // the pid still held by the listed process. A pid that is not a plain process id runs
    // nothing, so no other text ever reaches the shell. False when nothing was sent.
    bool stopProcess(const ProcessIdentity& listed) const;

    // ASCII digits without a leading zero: "0" would signal our own process group.
    static bool isProcessId(const QString& pid);

private:
    std::shared_ptr<SystemTools> m_tools;
    std::shared_ptr<ProcessTable> m_table;
};

} // namespace tidewell
