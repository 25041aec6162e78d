#include "platform/linux/LinuxProcessTable.h"

#include "platform/ShellCommandLine.h"
#include "platform/linux/ProcFs.h"

#include <QDeadlineTimer>
#include <algorithm>
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

// ps cuts its percentages to tenths rather than rounding them.
QString tenths(double value)
{
    const long long perMille = static_cast<long long>(value * 10.0);
    return QStringLiteral("%1.%2").arg(perMille / 10).arg(perMille % 10);
}

// Resident pages as ps reports them: the exact count of statm, not stat's approximate one.
long long residentPages(long pid)
{
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%ld/statm", pid);
    return procfs::readFile(path, 256).split(' ').value(1).toLongLong();
}

// The argument vector in a process's raw command line, when it reads as the command shown for it;
// empty otherwise. A process that wrote its title over its arguments (one word with spaces, such as
// "next-server (v14.2.3)") has no vector to give: its text stays for the shell to read.
QStringList argumentVector(QByteArray raw, const QString& shownCommand)
{
    if (!raw.endsWith('\0'))
        return {};
    raw.chop(1);
    QStringList arguments;
    for (const QByteArray& argument : raw.split('\0'))
        arguments.append(QString::fromUtf8(argument));
    if (arguments.join(QLatin1Char(' ')) != shownCommand ||
        (arguments.size() == 1 && arguments.first().contains(QLatin1Char(' '))))
        return {};
    return arguments;
}

} // namespace

bool LinuxProcessTable::isListedProcess(const ProcessIdentity& listed)
{
    const auto pid = parsePid(listed.pid);
    if (!pid || listed.startTime.isEmpty())
        return false;
    const auto stat = procfs::readStat(*pid);
    if (!stat || QString::number(stat->startTicks) != listed.startTime)
        return false;
    if (listed.socketInode == 0)
        return true;
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%ld/fd", *pid);
    const auto sockets = procfs::socketInodes(path);
    return std::any_of(sockets.cbegin(), sockets.cend(),
                       [&listed](const auto& socket) { return socket.second == listed.socketInode; });
}

QHash<QString, QString> LinuxProcessTable::startTimes(const QStringList& pids)
{
    QHash<QString, QString> times;
    for (const QString& text : pids) {
        const auto pid = parsePid(text);
        const auto stat = pid ? procfs::readStat(*pid) : std::nullopt;
        if (stat)
            times.insert(text, QString::number(stat->startTicks));
    }
    return times;
}

QString LinuxProcessTable::commandLine(long pid)
{
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%ld/cmdline", pid);
    const QString text = commandLineText(procfs::readFile(path));
    if (!text.isEmpty())
        return text;
    const auto stat = procfs::readStat(pid);
    return stat ? QLatin1Char('[') + QString::fromUtf8(stat->comm) + QLatin1Char(']') : QString();
}

QString LinuxProcessTable::commandLineText(QByteArray raw)
{
    while (raw.endsWith('\0'))
        raw.chop(1);
    raw.replace('\0', ' ');
    return QString::fromUtf8(raw);
}

bool LinuxProcessTable::isShellProgram(const QByteArray& rawCommandLine)
{
    QByteArray program = rawCommandLine.left(rawCommandLine.indexOf('\0'));
    program = program.mid(program.lastIndexOf('/') + 1);
    if (program.startsWith('-'))
        program.remove(0, 1);
    static const QList<QByteArray> shells{"sh", "bash", "zsh", "csh", "tcsh", "fish", "ksh"};
    return shells.contains(program);
}

QSet<QString> LinuxProcessTable::startedFromShell(const QStringList& pids)
{
    // What is known of each process met: true for a shell or a process below one.
    QHash<long, bool> verdicts;
    QSet<QString> found;
    char path[64];
    for (const QString& text : pids) {
        const auto pid = parsePid(text);
        const auto stat = pid ? procfs::readStat(*pid) : std::nullopt;
        if (!stat)
            continue;
        QList<long> chain;
        long parent = stat->parentPid;
        bool verdict = false;
        for (int step = 0; step < kMaxOriginSteps && parent > 1; ++step) {
            if (const auto known = verdicts.constFind(parent); known != verdicts.cend()) {
                verdict = *known;
                break;
            }
            std::snprintf(path, sizeof path, "/proc/%ld/cmdline", parent);
            const QByteArray raw = procfs::readFile(path, 4096);
            chain.append(parent);
            if (looksLikeShell(commandLineText(raw)) || isShellProgram(raw)) {
                verdict = true;
                break;
            }
            const auto parentStat = procfs::readStat(parent);
            if (!parentStat || parentStat->parentPid == parent)
                break;
            parent = parentStat->parentPid;
        }
        for (const long met : std::as_const(chain))
            verdicts.insert(met, verdict);
        if (verdict)
            found.insert(text);
    }
    return found;
}

std::optional<ProcessInfo> LinuxProcessTable::origin(const QString& pidText)
{
    const auto start = parsePid(pidText);
    if (!start)
        return std::nullopt;
    long pid = *start;
    long previousPid = 0;
    QString previousCommand;
    QByteArray previousRaw;
    char path[64];
    for (int step = 0; step < kMaxOriginSteps && pid > 0; ++step) {
        const auto stat = procfs::readStat(pid);
        if (!stat)
            return std::nullopt;
        // Read once: the shown command, the shell test and the argument vector all come from it.
        std::snprintf(path, sizeof path, "/proc/%ld/cmdline", pid);
        const QByteArray raw = procfs::readFile(path);
        QString command = commandLineText(raw);
        if (command.isEmpty())
            command = QLatin1Char('[') + QString::fromUtf8(stat->comm) + QLatin1Char(']');
        if (looksLikeShell(command) || isShellProgram(raw)) {
            if (previousPid == 0 || previousCommand.isEmpty())
                return std::nullopt;
            std::snprintf(path, sizeof path, "/proc/%ld/cwd", previousPid);
            const QString cwd = QString::fromUtf8(procfs::readLink(path));
            if (cwd.isEmpty())
                return std::nullopt;
            return ProcessInfo{cwd, previousCommand, argumentVector(previousRaw, previousCommand)};
        }
        previousPid = pid;
        previousCommand = command;
        previousRaw = raw;
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
    // Shorter windows hold too few clock ticks to tell a share from noise.
    constexpr qint64 kMinimumWindowMs = 100;
    const qint64 nowMs = QDeadlineTimer::current().deadline();
    QMutexLocker lock(&m_samplesMutex);
    const auto previous = m_samples.constFind(pid);
    const bool samePrevious = previous != m_samples.cend() && previous->startTicks == startTicks &&
                              busyTicks >= previous->busyTicks;
    if (samePrevious && nowMs - previous->takenAtMs < kMinimumWindowMs)
        return previous->share;
    double share = 0;
    if (samePrevious) {
        const double seconds = double(nowMs - previous->takenAtMs) / 1000.0;
        share = double(busyTicks - previous->busyTicks) / ticksPerSecond / seconds * 100.0;
    } else {
        // First reading of this process: its lifetime average, as ps shows it.
        const double lifetime = uptimeSeconds() - double(startTicks) / ticksPerSecond;
        share = lifetime > 0 ? double(busyTicks) / ticksPerSecond / lifetime * 100.0 : 0.0;
    }
    if (m_samples.size() > kMaxSamples)
        forgetOldSamples(nowMs);
    m_samples.insert(pid, CpuSample{startTicks, busyTicks, nowMs, share});
    return share;
}

void LinuxProcessTable::forgetOldSamples(qint64 nowMs)
{
    for (auto it = m_samples.begin(); it != m_samples.end();) {
        if (nowMs - it->takenAtMs > kSampleLifetimeMs)
            it = m_samples.erase(it);
        else
            ++it;
    }
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
    const long long rssKilobytes = residentPages(*pid) * pageKilobytes;
    const double cpu = cpuPercent(*pid, stat->startTicks, stat->userTicks + stat->systemTicks);
    const double mem = totalKilobytes > 0 ? double(rssKilobytes) * 100.0 / double(totalKilobytes) : 0.0;
    return ProcessReading{tenths(cpu), tenths(mem), QString::number(rssKilobytes),
                          m_branches.currentBranch(cwd)};
}

} // namespace tidewell
