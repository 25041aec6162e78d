#include "platform/commands/ShellProcessTable.h"

#include "platform/ShellCommandLine.h"
#include "platform/SystemTools.h"
#include "platform/commands/ShellQuoting.h"
#include "records/TextDecoding.h"

#include <algorithm>

namespace tidewell {

const QString ShellProcessTable::kOriginScript = QStringLiteral(
    "\nPCMD=\"\""
    "\nPrevID=\"\""
    "\nwhile true; do"
    "\n  CMD=$(ps -o command= -p $PID)"
    "\n  PARENT_PID=$(ps -o ppid= -p $PID)"
    "\n  if echo \"$CMD\" | grep -Eq '(\\/)(sh|bash|zsh|csh|tcsh|fish|ksh)( |\\b)'; then"
    "\n    echo $(lsof -p $PrevID | awk '$4==\"cwd\"{for (i=9; i<=NF; i++) printf \"%s \", $i}')"
    "\n    echo \"$PCMD\""
    "\n    break"
    "\n  fi"
    "\n  PCMD=$CMD"
    "\n  PrevID=$PID"
    "\n  PID=$PARENT_PID"
    "\n  if [[ -z $PID || $PID -eq 0 ]]; then"
    "\n    break"
    "\n  fi"
    "\ndone");

namespace {

const QString kPs = QStringLiteral("/bin/ps");

// Only plain process ids reach ps, so a listed text can never read as one of its options.
bool isPlainPid(const QString& pid)
{
    return !pid.isEmpty() && pid.size() < 12 &&
           std::all_of(pid.cbegin(), pid.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

} // namespace

ShellProcessTable::ShellProcessTable(std::shared_ptr<SystemTools> tools) : m_tools(std::move(tools)) {}

QString ShellProcessTable::originScriptFor(const QString& pid)
{
    // Quoted so that a pid text that is not plain digits stays one inert word.
    return QStringLiteral("PID=") + shellQuoted(pid) + kOriginScript;
}

QString ShellProcessTable::statisticsCommandFor(const QString& pid, const QString& cwd)
{
    return QStringLiteral("ps -p ") + shellQuoted(pid) + QStringLiteral(" -o %cpu,%mem,rss && cd ") +
           shellQuoted(cwd) +
           QStringLiteral(
               " && git rev-parse --is-inside-work-tree > /dev/null 2>&1 && git branch --show-current");
}

std::optional<ProcessInfo> ShellProcessTable::parseOriginOutput(const QByteArray& output)
{
    const QString text = decodeUtf8OrEmpty(output);
    const QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (lines.size() < 2)
        return std::nullopt;
    return ProcessInfo{lines[0], lines[1]};
}

std::optional<ProcessReading> ShellProcessTable::parseStatisticsOutput(const QByteArray& output)
{
    const QString text = decodeUtf8OrEmpty(output);
    const QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (lines.size() < 2)
        return std::nullopt;
    const QStringList fields = lines[1].split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (fields.size() < 3)
        return std::nullopt;
    return ProcessReading{fields[0], fields[1], fields[2], lines.size() >= 3 ? lines[2] : QString()};
}

QHash<QString, QString> ShellProcessTable::parseStartTimes(const QByteArray& output)
{
    QHash<QString, QString> times;
    for (const QString& line : decodeUtf8OrEmpty(output).split(QLatin1Char('\n'))) {
        const QString trimmed = line.trimmed();
        const qsizetype space = trimmed.indexOf(QLatin1Char(' '));
        if (space > 0 && isPlainPid(trimmed.left(space)))
            times.insert(trimmed.left(space), trimmed.mid(space + 1).trimmed());
    }
    return times;
}

QSet<QString> ShellProcessTable::shellDescendants(const QByteArray& output, const QStringList& pids)
{
    struct Entry
    {
        QString parent;
        bool shell = false;
    };
    QHash<QString, Entry> table;
    for (const QString& line : decodeUtf8OrEmpty(output).split(QLatin1Char('\n'))) {
        const QStringList fields = line.trimmed().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (fields.size() >= 2 && isPlainPid(fields[0]) && isPlainPid(fields[1]))
            table.insert(fields[0], Entry{fields[1], looksLikeShell(fields.mid(2).join(QLatin1Char(' ')))});
    }
    QSet<QString> found;
    for (const QString& pid : pids) {
        const auto listed = table.constFind(pid);
        if (listed == table.cend())
            continue;
        // A chain longer than the table, or one that loops, holds no shell it has not met.
        QString parent = listed->parent;
        for (qsizetype step = 0; step <= table.size(); ++step) {
            const auto entry = table.constFind(parent);
            if (entry == table.cend())
                break;
            if (entry->shell) {
                found.insert(pid);
                break;
            }
            parent = entry->parent;
        }
    }
    return found;
}

QSet<QString> ShellProcessTable::startedFromShell(const QStringList& pids)
{
    if (pids.isEmpty())
        return {};
    return shellDescendants(m_tools->runAndRead(kPs, {QStringLiteral("-A"), QStringLiteral("-o"),
                                                      QStringLiteral("pid=,ppid=,command=")}),
                            pids);
}

bool ShellProcessTable::isListedProcess(const ProcessIdentity& listed)
{
    if (!isPlainPid(listed.pid) || listed.startTime.isEmpty())
        return false;
    const QByteArray output = m_tools->runAndRead(
        kPs, {QStringLiteral("-o"), QStringLiteral("lstart="), QStringLiteral("-p"), listed.pid});
    return decodeUtf8OrEmpty(output).trimmed() == listed.startTime;
}

QHash<QString, QString> ShellProcessTable::startTimes(const QStringList& pids)
{
    QStringList arguments{QStringLiteral("-o"), QStringLiteral("pid=,lstart=")};
    for (const QString& pid : pids) {
        if (isPlainPid(pid))
            arguments << QStringLiteral("-p") << pid;
    }
    if (arguments.size() == 2)
        return {};
    return parseStartTimes(m_tools->runAndRead(kPs, arguments));
}

std::optional<ProcessInfo> ShellProcessTable::origin(const QString& pid)
{
    return parseOriginOutput(
        m_tools->runAndRead(QStringLiteral("/bin/bash"), {QStringLiteral("-c"), originScriptFor(pid)}));
}

std::optional<ProcessReading> ShellProcessTable::reading(const QString& pid, const QString& cwd)
{
    return parseStatisticsOutput(m_tools->runAndRead(QStringLiteral("/bin/zsh"),
                                                     {QStringLiteral("-c"), statisticsCommandFor(pid, cwd)}));
}

} // namespace tidewell
