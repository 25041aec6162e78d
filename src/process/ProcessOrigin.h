#pragma once

#include "records/ProcessIdentity.h"
#include "records/ProcessInfo.h"

#include <memory>
#include <optional>

namespace tidewell {

class ProcessTable;

// Finds the folder and command a development server was started with.
class ProcessOrigin
{
public:
    explicit ProcessOrigin(std::shared_ptr<ProcessTable> table);

    // The origin of the listed process, or nothing when its pid belongs to another process by
    // now, before or during the lookup. Blocks while the process table is read: call it off the
    // interface thread.
    std::optional<ProcessInfo> getProcessInfo(const ProcessIdentity& listed) const;
    // The origin of whatever process has the pid at this moment, for a pid that was not listed.
    std::optional<ProcessInfo> getProcessInfo(const QString& pid) const;

    // A folder deleted while the process ran in it comes with the kernel's " (deleted)" after
    // its path; the path is given without it and the folder is marked as deleted.
    static ProcessInfo withDeletedFolderMarked(ProcessInfo info);

private:
    std::shared_ptr<ProcessTable> m_table;
};

} // namespace tidewell
