#include "process/ProcessStopper.h"

#include "platform/LogCategories.h"
#include "platform/ProcessTable.h"
#include "platform/SignalPermission.h"
#include "platform/SystemTools.h"

#include <QDeadlineTimer>
#include <QThread>

namespace tidewell {

ProcessStopper::ProcessStopper(std::shared_ptr<SystemTools> tools, std::shared_ptr<ProcessTable> table)
    : m_tools(std::move(tools)), m_table(std::move(table))
{}

StopResult ProcessStopper::stopProcess(const ProcessIdentity& listed, StopSignal signal, int waitMs) const
{
    if (!isProcessId(listed.pid))
        return StopResult::notListed;
    if (!m_table->isListedProcess(listed)) {
        qCInfo(lcProcess).noquote() << (QStringLiteral("Not stopped: process ") + listed.pid +
                                        QStringLiteral(" is no longer the one listed"));
        return StopResult::notListed;
    }
    if (!maySignalProcess(listed.pid.toLongLong()))
        return StopResult::notPermitted;
    const QString number = signal == StopSignal::kill ? QStringLiteral("9") : QStringLiteral("15");
    m_tools->runAndWait(
        QStringLiteral("/bin/bash"),
        {QStringLiteral("-c"), QStringLiteral("kill -") + number + QLatin1Char(' ') + listed.pid});
    // The process may take its time to close: a server finishing its requests still holds the port.
    const QDeadlineTimer deadline(waitMs);
    while (m_table->isListedProcess(listed)) {
        if (deadline.hasExpired())
            return StopResult::stillListening;
        QThread::msleep(std::min<qint64>(kPollMs, deadline.remainingTime()));
    }
    return StopResult::stopped;
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
