#include "process/ProcessStopper.h"

#include "platform/Diagnostics.h"
#include "platform/ProcessTable.h"
#include "platform/SystemTools.h"

namespace tidewell {

ProcessStopper::ProcessStopper(std::shared_ptr<SystemTools> tools, std::shared_ptr<ProcessTable> table)
    : m_tools(std::move(tools)), m_table(std::move(table))
{}

bool ProcessStopper::stopProcess(const ProcessIdentity& listed) const
{
    if (!isProcessId(listed.pid))
        return false;
    if (!m_table->isListedProcess(listed)) {
        Diagnostics::writeLine(QStringLiteral("Not stopped: process ") + listed.pid +
                               QStringLiteral(" is no longer the one listed"));
        return false;
    }
    m_tools->runAndWait(QStringLiteral("/bin/bash"),
                        {QStringLiteral("-c"), QStringLiteral("kill -15 ") + listed.pid});
    return true;
}

bool ProcessStopper::isProcessId(const QString& pid)
{
    if (pid.isEmpty() || pid.front() == QLatin1Char('0'))
        return false;
    // QChar::isDigit would also let through digits of other scripts.
    for (const QChar c : pid) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

} // namespace tidewell
