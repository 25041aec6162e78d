#include "LinuxProcessTable.h"

#include "ProcFs.h"
#include "platform/GitBranchReader.h"

#include <QDeadlineTimer>
#include <QRegularExpression>
#include <cstdio>
#include <unistd.h>

namespace tidewell {

namespace {

std::optional<long> parsePid(const QString& text)
{
    bool ok = false;
    const long pid = text.toLong(&ok);
    if (!ok || pid <= 0 || text.trimmed() != text)
        return std::nullopt;
    return pid;
}

long long memoryTotalKilobytes()
{
    const QByteArray info = procfs::readFile("/proc/meminfo", 8192);
    const qsizetype at = info.indexOf("MemTotal:");
    if (at < 0)
        return 0;
    const qsizetype end = info.indexOf('\n', at);
    return info.mid(at + 9, end - at - 9).simplified().split(' ').value(0).toLongLong();
}

double uptimeSeconds()
{
    return procfs::readFile("/proc/uptime", 128).split(' ').value(0).toDouble();
}

QString oneDecimal(double value)
{
    return QString::number(value, 'f', 1);
}

} // namespace

QString LinuxProcessTable::commandLine(long pid)
{
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%ld/cmdline", pid);
    QByteArray raw = procfs::readFile(path);
    while (raw.endsWith('\0'))
        raw.chop(1);
    if (raw.isEmpty()) {
        const auto stat = procfs::readStat(pid);
        return stat ? QLatin1Char('[') + QString::fromUtf8(stat->comm) + QLatin1Char(']') : QString();
    }
    raw.replace('\0', ' ');
    return QString::fromUtf8(raw);
}

bool LinuxProcessTable::looksLikeShell(const QString& commandLine)
{
    static const QRegularExpression shell(QStringLiteral("(\\/)(sh|bash|zsh|csh|tcsh|fish|ksh)( |\\b)"));
    return shell.match(commandLine).hasMatch();
}

bool LinuxProcessTable::startedAsShell(long pid)
{
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%ld/cmdline", pid);
    const QByteArray raw = procfs::readFile(path, 4096);
    QByteArray program = raw.left(raw.indexOf('\0'));
    program = program.mid(program.lastIndexOf('/') + 1);
    if (program.startsWith('-'))
        program.remove(0, 1);
    static const QList<QByteArray> shells{"sh", "bash", "zsh", "csh", "tcsh", "fish", "ksh"};
    return shells.contains(program);
}

std::optional<ProcessInfo> LinuxProcessTable::origin(const QString& pidText)
{
    const auto start = parsePid(pidText);
    if (!start)
        return std::nullopt;
    long pid = *start;
    long previousPid = 0;
    QString previousCommand;
    char path[64];
    for (int step = 0; step < kMaxOriginSteps && pid > 0; ++step) {
        const auto stat = procfs::readStat(pid);
        if (!stat)
            return std::nullopt;
        const QString command = commandLine(pid);
        if (looksLikeShell(command) || startedAsShell(pid)) {
            if (previousPid == 0 || previousCommand.isEmpty())
                return std::nullopt;
            std::snprintf(path, sizeof path, "/proc/%ld/cwd", previousPid);
            const QString cwd = QString::fromUtf8(procfs::readLink(path));
            if (cwd.isEmpty())
                return std::nullopt;
            return ProcessInfo{cwd, previousCommand};
        }
        previousPid = pid;
        previousCommand = command;
        // The root of the tree is its own end; a process reported as its own parent would
        // otherwise loop.
        if (pid == 1 || stat->parentPid == pid)
            return std::nullopt;
        pid = stat->parentPid;
    }
    return std::nullopt;
}

double LinuxProcessTable::cpuPercent(long pid, unsigned long long startTicks, unsigned long long busyTicks)
{
    static const double ticksPerSecond = double(::sysconf(_SC_CLK_TCK));
    const qint64 nowMs = QDeadlineTimer::current().deadline();
    CpuSample previous;
    {
        QMutexLocker lock(&m_samplesMutex);
        previous = m_samples.value(pid);
        m_samples.insert(pid, CpuSample{startTicks, busyTicks, nowMs});
    }
    if (previous.takenAtMs > 0 && previous.startTicks == startTicks && nowMs > previous.takenAtMs &&
        busyTicks >= previous.busyTicks) {
        const double seconds = double(nowMs - previous.takenAtMs) / 1000.0;
        return double(busyTicks - previous.busyTicks) / ticksPerSecond / seconds * 100.0;
    }
    // First reading of this process: its lifetime average, as ps shows it.
    const double lifetime = uptimeSeconds() - double(startTicks) / ticksPerSecond;
    return lifetime > 0 ? double(busyTicks) / ticksPerSecond / lifetime * 100.0 : 0.0;
}

std::optional<ProcessReading> LinuxProcessTable::reading(const QString& pidText, const QString& cwd)
{
    const auto pid = parsePid(pidText);
    if (!pid)
        return std::nullopt;
    const auto stat = procfs::readStat(*pid);
    if (!stat)
        return std::nullopt;
    static const long pageKilobytes = ::sysconf(_SC_PAGESIZE) / 1024;
    static const long long totalKilobytes = memoryTotalKilobytes();
    const long long rssKilobytes = stat->residentPages * pageKilobytes;
    const double cpu = cpuPercent(*pid, stat->startTicks, stat->userTicks + stat->systemTicks);
    const double mem = totalKilobytes > 0 ? double(rssKilobytes) * 100.0 / double(totalKilobytes) : 0.0;
    return ProcessReading{oneDecimal(cpu), oneDecimal(mem), QString::number(rssKilobytes), currentGitBranch(cwd)};
}

} // namespace tidewell
