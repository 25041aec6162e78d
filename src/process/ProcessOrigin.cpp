#include "process/ProcessOrigin.h"

#include "platform/Diagnostics.h"
#include "platform/ProcessTable.h"

namespace tidewell {

ProcessOrigin::ProcessOrigin(std::shared_ptr<ProcessTable> table, TraceSink trace)
    : m_table(std::move(table)), m_trace(std::move(trace))
{
    if (!m_trace) {
        m_trace = &Diagnostics::writeLine;
    }
}

std::optional<ProcessInfo> ProcessOrigin::getProcessInfo(const QString& pid) const
{
    m_trace(QStringLiteral("Getting process info ") + pid);
    return m_table->origin(pid);
}

} // namespace tidewell
