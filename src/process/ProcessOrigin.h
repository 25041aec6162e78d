#pragma once

#include "records/ProcessInfo.h"

#include <functional>
#include <memory>
#include <optional>

namespace tidewell {

class ProcessTable;

// Finds the folder and command a development server was started with.
class ProcessOrigin
{
public:
    using TraceSink = std::function<void(const QString&)>;

    // `trace` receives one diagnostic line per lookup; it goes to standard output by default.
    explicit ProcessOrigin(std::shared_ptr<ProcessTable> table, TraceSink trace = {});

    // Blocks while the process table is read: call it off the interface thread.
    std::optional<ProcessInfo> getProcessInfo(const QString& pid) const;

private:
    std::shared_ptr<ProcessTable> m_table;
    TraceSink m_trace;
};

} // namespace tidewell
