#include "process/ProcessOrigin.h"

#include "platform/LogCategories.h"
#include "platform/ProcessTable.h"

#include <QFileInfo>

namespace tidewell {

ProcessOrigin::ProcessOrigin(std::shared_ptr<ProcessTable> table) : m_table(std::move(table)) {}

std::optional<ProcessInfo> ProcessOrigin::getProcessInfo(const ProcessIdentity& listed) const
{
    qCDebug(lcScan).noquote() << QStringLiteral("Getting process info ") + listed.pid;
    // The walk reads the pid's process and its parents one file or command at a time. Alive and
    // the same before and after, the listed process held its pid throughout, so every read was
    // of it and its parents.
    if (!m_table->isListedProcess(listed))
        return std::nullopt;
    const auto info = m_table->origin(listed.pid);
    if (!info || !m_table->isListedProcess(listed))
        return std::nullopt;
    return withDeletedFolderMarked(*info);
}

std::optional<ProcessInfo> ProcessOrigin::getProcessInfo(const QString& pid) const
{
    qCDebug(lcScan).noquote() << QStringLiteral("Getting process info ") + pid;
    const auto info = m_table->origin(pid);
    return info ? std::optional(withDeletedFolderMarked(*info)) : std::nullopt;
}

ProcessInfo ProcessOrigin::withDeletedFolderMarked(ProcessInfo info)
{
    static const QString marker = QStringLiteral(" (deleted)");
    // A folder whose name really ends so still exists under the full text.
    if (info.cwd.endsWith(marker) && !QFileInfo(info.cwd).isDir()) {
        info.cwd.chop(marker.size());
        info.cwdDeleted = true;
    }
    return info;
}

} // namespace tidewell
