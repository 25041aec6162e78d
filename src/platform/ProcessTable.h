#pragma once

#include "platform/ProcessReading.h"
#include "records/ProcessIdentity.h"
#include "records/ProcessInfo.h"

#include <QHash>
#include <QSet>
#include <QStringList>
#include <optional>

namespace tidewell {

// What the host tells about one process. Calls may block and run on worker threads.
class ProcessTable
{
public:
    virtual ~ProcessTable() = default;

    // Walks from the process up its parents to the first shell and reports the folder and
    // command line of the shell's child on that chain.
    virtual std::optional<ProcessInfo> origin(const QString& pid) = 0;
    // CPU, memory and the git branch of `cwd`; nothing once the process is gone.
    virtual std::optional<ProcessReading> reading(const QString& pid, const QString& cwd) = 0;

    // The same-process check: whether the pid still belongs to the process that was listed, by its
    // start time and, where the listing recorded one, the listening socket it still holds. False
    // once it has gone, and for an identity without a start time. Every signal and every origin
    // lookup asks this first, since a pid freed by an exit may be given to any new process.
    virtual bool isListedProcess(const ProcessIdentity& listed) = 0;
    // The start time of each of `pids` in the form `ProcessIdentity` keeps; pids of processes that
    // are gone are left out.
    virtual QHash<QString, QString> startTimes(const QStringList& pids) = 0;
    // Which of `pids` have a shell among their parents, by the origin walk's shell test: what was
    // typed into a terminal, whatever program it runs. Pids of processes that are gone, or whose
    // chain may not be read, are left out.
    virtual QSet<QString> startedFromShell(const QStringList& pids) = 0;
};

} // namespace tidewell
