#pragma once

#include "records/PortDataLike.h"
#include "records/ProcessStats.h"

#include <memory>
#include <optional>

namespace tidewell {

class ProcessTable;

// Memory for display: two decimals under 10 MB, whole megabytes under 1024, then whole gigabytes.
QString formatMemory(double megabytes);

// Reads the live figures shown in x-ray mode.
class ProcessStatsReader
{
public:
    explicit ProcessStatsReader(std::shared_ptr<ProcessTable> table);

    // Nothing for an entry without an origin or a process that has gone. Blocks while the host
    // is asked: call it off the interface thread.
    std::optional<ProcessStats> fetchProcessStats(const PortDataLike& entry) const;

private:
    std::shared_ptr<ProcessTable> m_table;
};

} // namespace tidewell
