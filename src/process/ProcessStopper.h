#pragma once

#include <QString>
#include <memory>

namespace tidewell {

class SystemTools;

// Asks a listening process to end with SIGTERM, through the shell's `kill`. Blocks until `kill`
// has run: call it from a worker thread, never the interface's.
class ProcessStopper
{
public:
    explicit ProcessStopper(std::shared_ptr<SystemTools> tools);

    // Runs "/bin/bash -c 'kill -15 PID'" and waits for it. A pid that is not a plain process id
    // runs nothing, so no other text ever reaches the shell.
    void stopProcess(const QString& pid) const;

    // ASCII digits without a leading zero: "0" would signal our own process group.
    static bool isProcessId(const QString& pid);

private:
    std::shared_ptr<SystemTools> m_tools;
};

} // namespace tidewell
