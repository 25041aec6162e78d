#include "process/ProcessStopper.h"

#include "platform/SystemTools.h"

namespace tidewell {

ProcessStopper::ProcessStopper(std::shared_ptr<SystemTools> tools) : m_tools(std::move(tools)) {}

void ProcessStopper::stopProcess(const QString& pid) const
{
    if (!isProcessId(pid))
        return;
    m_tools->runAndWait(QStringLiteral("/bin/bash"),
                        {QStringLiteral("-c"), QStringLiteral("kill -15 ") + pid});
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
