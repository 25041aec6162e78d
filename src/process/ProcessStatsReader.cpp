#include "process/ProcessStatsReader.h"

#include "platform/ProcessTable.h"

namespace tidewell {

QString formatMemory(double megabytes)
{
    if (megabytes < 10)
        return QString::asprintf("%.2fMB", megabytes);
    if (megabytes < 1024)
        return QString::asprintf("%.0fMB", megabytes);
    return QString::asprintf("%.0fGB", megabytes / 1024);
}

ProcessStatsReader::ProcessStatsReader(std::shared_ptr<ProcessTable> table) : m_table(std::move(table)) {}

std::optional<ProcessStats> ProcessStatsReader::fetchProcessStats(const PortDataLike& entry) const
{
    const auto info = entry.processInfo();
    if (!info)
        return std::nullopt;
    const auto reading = m_table->reading(entry.pid(), info->cwd);
    if (!reading)
        return std::nullopt;
    bool isNumber = false;
    const double kilobytes = reading->rssKilobytes.toDouble(&isNumber);
    const double megabytes = isNumber ? kilobytes / 1024 : 0.0;
    return ProcessStats{reading->cpu, reading->mem, formatMemory(megabytes), reading->gitBranch};
}

} // namespace tidewell
