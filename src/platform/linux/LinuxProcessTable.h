#pragma once

#include "platform/GitBranchReader.h"
#include "platform/ProcessTable.h"

#include <QHash>
#include <QMutex>

namespace tidewell {

// The process table read straight from /proc, without child processes.
class LinuxProcessTable : public ProcessTable
{
public:
    // A parent chain longer than this is not a chain a shell started.
    static constexpr int kMaxOriginSteps = 64;

    std::optional<ProcessInfo> origin(const QString& pid) override;
    std::optional<ProcessReading> reading(const QString& pid, const QString& cwd) override;
    bool isListedProcess(const ProcessIdentity& listed) override;
    QHash<QString, QString> startTimes(const QStringList& pids) override;
    // Each process of the chains is read once, however many of `pids` share it.
    QSet<QString> startedFromShell(const QStringList& pids) override;

    // The command line as `ps -o command=` shows it: arguments joined by single spaces, or the
    // name in brackets for a process without one.
    static QString commandLine(long pid);
    // The same text from the raw contents of /proc/PID/cmdline (empty for none).
    static QString commandLineText(QByteArray raw);
    // Linux terminals start shells by bare name ("bash", or "-bash" for a login shell), which
    // the slash pattern above misses; the program name in the raw contents of /proc/PID/cmdline
    // tells them apart.
    static bool isShellProgram(const QByteArray& rawCommandLine);

private:
    struct CpuSample
    {
        unsigned long long startTicks = 0;
        unsigned long long busyTicks = 0;
        qint64 takenAtMs = 0;
        double share = 0;
    };

    // Samples of processes not read for a while are dropped once there are many.
    static constexpr qsizetype kMaxSamples = 256;
    static constexpr qint64 kSampleLifetimeMs = 60'000;

    double cpuPercent(long pid, unsigned long long startTicks, unsigned long long busyTicks);
    void forgetOldSamples(qint64 nowMs);

    GitBranchReader m_branches;
    QMutex m_samplesMutex;
    QHash<long, CpuSample> m_samples; // the previous reading of each pid, for top-like CPU shares
};

} // namespace tidewell
