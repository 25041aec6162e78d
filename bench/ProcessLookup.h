#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QThread>

#include <chrono>
#include <sys/types.h>

namespace tidewell::bench {

inline QByteArray procEntry(pid_t pid, const QString& entry)
{
    QFile file(QStringLiteral("/proc/%1/%2").arg(pid).arg(entry));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The parent pid from /proc/PID/stat; the name before it may hold spaces, so it is found after
// the last ")".
inline pid_t parentOf(pid_t pid)
{
    const QByteArray stat = procEntry(pid, QStringLiteral("stat"));
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0)
        return 0;
    return pid_t(stat.mid(close + 2).split(' ').value(1).toLong());
}

// The children of a process: from the kernel's own list when it keeps one, otherwise by asking
// every process for its parent.
inline QList<pid_t> childrenOf(pid_t pid)
{
    QList<pid_t> children;
    const QByteArray listed = procEntry(pid, QStringLiteral("task/%1/children").arg(pid));
    if (!listed.trimmed().isEmpty()) {
        for (const QByteArray& word : listed.simplified().split(' '))
            children.append(pid_t(word.toLong()));
        return children;
    }
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool ok = false;
        const pid_t candidate = pid_t(entry.toLong(&ok));
        if (ok && parentOf(candidate) == pid)
            children.append(candidate);
    }
    return children;
}

// The first argument of a process's command line.
inline QByteArray programOf(pid_t pid)
{
    const QByteArray commandLine = procEntry(pid, QStringLiteral("cmdline"));
    return commandLine.left(commandLine.indexOf('\0'));
}

// Waits until `pid` has a child running `program` (after its exec, not just its fork) and
// returns it; 0 when none shows up within `timeout`.
inline pid_t waitForChildRunning(pid_t pid, const QByteArray& program, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        for (const pid_t child : childrenOf(pid)) {
            if (programOf(child).endsWith(program))
                return child;
        }
        QThread::msleep(5);
    }
    return 0;
}

// Waits until `pid` itself runs `program`, which a forked child does only once its exec is done.
inline bool waitForProgram(pid_t pid, const QByteArray& program, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (programOf(pid).endsWith(program))
            return true;
        QThread::msleep(5);
    }
    return false;
}

} // namespace tidewell::bench
