#pragma once

#include "platform/ProcessTable.h"

#include <QByteArray>
#include <memory>

namespace tidewell {

class SystemTools;

// The process table read through bash, zsh, ps, lsof and git, as on macOS.
class ShellProcessTable : public ProcessTable
{
public:
    // The walk to the shell that follows "PID=<pid>" in the script bash runs.
    static const QString kOriginScript;

    explicit ShellProcessTable(std::shared_ptr<SystemTools> tools);

    std::optional<ProcessInfo> origin(const QString& pid) override;
    std::optional<ProcessReading> reading(const QString& pid, const QString& cwd) override;
    // Compares `ps -o lstart= -p PID`; ps shows no sockets, so only the start time is compared.
    bool isListedProcess(const ProcessIdentity& listed) override;
    // One `ps -o pid=,lstart=` for all of them.
    QHash<QString, QString> startTimes(const QStringList& pids) override;
    // One `ps -A -o pid=,ppid=,command=`, walked in memory.
    QSet<QString> startedFromShell(const QStringList& pids) override;

    static QString originScriptFor(const QString& pid);
    static QString statisticsCommandFor(const QString& pid, const QString& cwd);
    static std::optional<ProcessInfo> parseOriginOutput(const QByteArray& output);
    static std::optional<ProcessReading> parseStatisticsOutput(const QByteArray& output);
    // Lines of a pid and its lstart text.
    static QHash<QString, QString> parseStartTimes(const QByteArray& output);
    // Which of `pids` have a shell among their parents in a `ps -o pid=,ppid=,command=` listing.
    static QSet<QString> shellDescendants(const QByteArray& output, const QStringList& pids);

private:
    std::shared_ptr<SystemTools> m_tools;
};

} // namespace tidewell
