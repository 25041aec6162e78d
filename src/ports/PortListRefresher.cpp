#include "ports/PortListRefresher.h"

#include "probe/PageProbe.h"
#include "state/AsyncTask.h"

#include <QPointer>
#include <algorithm>

namespace tidewell {

namespace {

// Numbers before texts, numbers by value.
bool numericTextLess(const QString& a, const QString& b)
{
    bool aIsNumber = false;
    bool bIsNumber = false;
    const qlonglong aValue = a.toLongLong(&aIsNumber);
    const qlonglong bValue = b.toLongLong(&bIsNumber);
    if (aIsNumber != bIsNumber)
        return aIsNumber;
    if (aIsNumber && aValue != bValue)
        return aValue < bValue;
    return a < b;
}

} // namespace

PortListRefresher::PortListRefresher(ScanFunction scan, PageProbe* probe, OriginFunction origin,
                                     QObject* parent)
    : QObject(parent), m_scan(std::move(scan)), m_probe(probe), m_origin(std::move(origin))
{
    // Origin lookups through the command-line tools block a thread each; a few may run at once.
    m_pool->setMaxThreadCount(std::max(4, QThread::idealThreadCount()));
    m_clock.start();
    m_watchTimer.setInterval(kWatchIntervalMs);
    connect(&m_watchTimer, &QTimer::timeout, this, &PortListRefresher::watchTick);
}

PortListRefresher::~PortListRefresher()
{
    if (m_pool)
        m_pool->waitForDone();
}

void PortListRefresher::leaveJobsBehindAfter(int graceMs)
{
    m_watchTimer.stop();
    AsyncTask::finishOrAbandon(std::move(m_pool), graceMs);
}

QList<PortData> PortListRefresher::sortedByPortAndPid(QList<PortData> entries)
{
    std::sort(entries.begin(), entries.end(), [](const PortData& a, const PortData& b) {
        if (a.port() != b.port())
            return numericTextLess(a.port(), b.port());
        return numericTextLess(a.pid(), b.pid());
    });
    return entries;
}

QList<PortData> PortListRefresher::sortedListedPorts() const
{
    QList<PortData> listed = m_ports.values();
    for (auto it = m_unansweredPorts.cbegin(); it != m_unansweredPorts.cend(); ++it) {
        if (!m_ports.contains(it.key()))
            listed.append(it.value());
    }
    return sortedByPortAndPid(listed);
}

PortData PortListRefresher::ignoredEntry(const PortData& scanned)
{
    // A container's listener comes with its own title: the container's name and image.
    PortData entry(scanned.processName(), scanned.port(), scanned.pid(),
                   scanned.htmlData().value_or(
                       HTMLData{scanned.processName(), AppType::unknown, std::nullopt, HttpScheme::http}));
    const ProcessIdentity listed = scanned.identity();
    entry.setListedIdentity(listed.startTime, listed.socketInode);
    return entry;
}

void PortListRefresher::checkPorts()
{
    if (m_scanInFlight)
        return;
    m_scanInFlight = true;
    AsyncTask::runThenCallback(m_pool.get(), this, m_scan, [this](const ScanResult& scan) {
        m_scanInFlight = false;
        applyScan(scan);
        if (std::exchange(m_checkAgain, false))
            checkPorts();
    });
}

void PortListRefresher::refresh()
{
    m_lastCandidateKeys.clear();
    m_lastListedKeys.clear();
    m_retries.clear();
    m_unansweredPorts.clear();
    m_containers.clear();
    if (m_scanInFlight)
        m_checkAgain = true;
    else
        checkPorts();
}

void PortListRefresher::setWatching(bool watching)
{
    m_watchedInodes.reset();
    if (!watching || !m_watch) {
        m_watchTimer.stop();
        return;
    }
    // The first set is taken at once, so that a server starting right after the window opens is
    // a change, not the starting point.
    m_watchedInodes = m_watch();
    if (m_watchedInodes)
        m_watchTimer.start();
}

void PortListRefresher::watchTick()
{
    if (m_watchInFlight)
        return;
    m_watchInFlight = true;
    AsyncTask::runThenCallback(m_pool.get(), this, m_watch,
                               [this](const std::optional<QList<quint64>>& inodes) {
                                   m_watchInFlight = false;
                                   if (!inodes) {
                                       m_watchTimer.stop(); // this host cannot tell; the ticks alone refresh
                                       return;
                                   }
                                   if (!m_watchTimer.isActive())
                                       return;
                                   const bool changed = m_watchedInodes && *m_watchedInodes != *inodes;
                                   m_watchedInodes = inodes;
                                   if (changed)
                                       checkSoon();
                               });
}

void PortListRefresher::checkSoon()
{
    if (m_scanInFlight)
        m_checkAgain = true;
    else
        checkPorts();
}

void PortListRefresher::applyScan(const ScanResult& scan)
{
    m_lastScan = scan;
    auto pendingJobs = std::make_shared<int>(1);
    applyNamedScan(pendingJobs, true);
    jobEnded(pendingJobs);
}

void PortListRefresher::lookUpContainers(const QList<PortData>& proxies,
                                         const std::shared_ptr<int>& pendingJobs)
{
    m_containerLookupInFlight = true;
    ++*pendingJobs;
    AsyncTask::runThenCallback(
        m_pool.get(), this, m_containerLookup,
        [this, proxies, pendingJobs](const Result<QList<ContainerEngine::Container>>& answer) {
            m_containerLookupInFlight = false;
            // The answer is applied at once rather than at the next tick, within the same check; a
            // proxy it does not cover waits for the next scan, which keeps to one request a scan.
            if (m_containers.learn(proxies, answer))
                applyNamedScan(pendingJobs, false);
            jobEnded(pendingJobs);
        });
}

// Applies the latest scan, with the listeners of container proxies named after their containers.
void PortListRefresher::applyNamedScan(const std::shared_ptr<int>& pendingJobs, bool mayAskEngine)
{
    ScanResult named = m_lastScan;
    if (m_containerLookup) {
        named = m_containers.name(m_lastScan);
        if (mayAskEngine && !m_containerLookupInFlight) {
            const QList<PortData> proxies = m_containers.unknownProxies(m_lastScan);
            if (!proxies.isEmpty())
                lookUpContainers(proxies, pendingJobs);
        }
    }
    const ScanResult& scan = named;
    // Matched through hashes, one lookup per candidate. The listed start time is part of what is
    // matched: a pid given to a new listener on the same port is a new server.
    QList<PortData> newEntries;
    QSet<QString> listening;
    listening.reserve(scan.candidates.size());
    for (const PortData& candidate : scan.candidates) {
        const QString key = candidate.portKey();
        if (!m_lastListedKeys.contains(listedKey(candidate)))
            newEntries.append(candidate);
        listening.insert(key);
    }
    m_lastCandidateKeys = listening;
    m_lastListedKeys.clear();
    for (const PortData& candidate : scan.candidates)
        m_lastListedKeys.insert(listedKey(candidate));
    m_hosts = scan.hosts;

    // Every row whose port no longer listens goes, not only those the previous scan listed: a
    // Refresh empties that list, and a server may stop just before it.
    const auto removedCount = m_ports.removeIf([&](const auto& row) {
        return !listening.contains(row.key());
    }) + m_unansweredPorts.removeIf([&](const auto& row) { return !listening.contains(row.key()); });
    m_retries.removeIf([&](const auto& retry) { return !listening.contains(retry.key()); });
    if (removedCount > 0)
        emit portsChanged();

    // Ignored listeners are rewritten on every scan and never removed. A container's listener is
    // listed among the servers instead once its probe has ended, answered or not.
    bool ignoredChanged = false;
    for (const PortData& scanned : scan.ignored) {
        if (m_ports.contains(scanned.portKey()) || m_unansweredPorts.contains(scanned.portKey()))
            continue;
        const PortData entry = ignoredEntry(scanned);
        auto existing = m_ignoredPorts.find(entry.portKey());
        if (existing == m_ignoredPorts.end() || !(*existing == entry)) {
            m_ignoredPorts.insert(entry.portKey(), entry);
            ignoredChanged = true;
        }
    }
    if (ignoredChanged)
        emit ignoredPortsChanged();

    // Servers that did not answer are asked again once their wait is over.
    QSet<QString> newKeys;
    for (const PortData& entry : std::as_const(newEntries))
        newKeys.insert(entry.portKey());
    for (const PortData& candidate : scan.candidates) {
        const QString key = candidate.portKey();
        const auto retry = m_retries.constFind(key);
        if (retry != m_retries.cend() && retry->dueMs <= m_clock.elapsed() && !m_probing.contains(key) &&
            !newKeys.contains(key)) {
            newKeys.insert(key);
            newEntries.append(candidate);
        }
    }

    *pendingJobs += int(newEntries.size());
    probeEntries(newEntries, pendingJobs);
}

void PortListRefresher::probeEntries(const QList<PortData>& entries, const std::shared_ptr<int>& pendingJobs)
{
    // The origin is looked up while the page is asked for, so a new row waits for the slower of the
    // two rather than for both in turn. The origin is a process's, so it is looked up once for all the ports
    // a process holds: a process with thousands of ports costs one lookup (and one check of its descriptors),
    // not one per port.
    struct Process
    {
        ProcessIdentity listed;
        QList<OriginWaiter> waiters;
    };
    QHash<QString, qsizetype> indexByProcess;
    QList<Process> processes;
    for (const PortData& entry : entries) {
        const ProcessIdentity listed = entry.identity();
        const QString key = listed.pid + QLatin1Char('@') + listed.startTime;
        const auto known = indexByProcess.constFind(key);
        if (known == indexByProcess.cend()) {
            indexByProcess.insert(key, processes.size());
            processes.append(Process{listed, {}});
        }
        processes[indexByProcess.value(key)].waiters.append(probeEntry(entry, pendingJobs));
    }
    for (const Process& process : std::as_const(processes)) {
        AsyncTask::runThenCallback(
            m_pool.get(), this, [origin = m_origin, listed = process.listed] { return origin(listed); },
            [waiters = process.waiters](const std::optional<ProcessInfo>& info) {
                for (const OriginWaiter& waiter : waiters)
                    waiter(info);
            });
    }
}

PortListRefresher::OriginWaiter PortListRefresher::probeEntry(const PortData& entry,
                                                              const std::shared_ptr<int>& pendingJobs)
{
    struct Answers
    {
        std::optional<PageProbe::Outcome> outcome;
        std::optional<std::optional<ProcessInfo>> origin;
    };
    const auto answers = std::make_shared<Answers>();
    const auto applyWhenBoth = [this, entry, answers, pendingJobs] {
        if (!answers->outcome || !answers->origin)
            return;
        const PageProbe::Outcome& outcome = *answers->outcome;
        if (outcome.noAnswer) {
            PortData unanswered = entry;
            unanswered.setProcessInfo(*answers->origin);
            noteUnanswered(unanswered);
        } else {
            m_retries.remove(entry.portKey());
            if (m_unansweredPorts.remove(entry.portKey()) > 0 && !outcome.page)
                emit portsChanged();
            // An answer is shown as the page, or as what the server answered instead (a container's
            // listener keeps its container's title then); it is not asked again while it listens.
            if (outcome.page) {
                PortData served = entry;
                if (!outcome.described || !entry.htmlData())
                    served.setHtmlData(outcome.page);
                served.setProcessInfo(*answers->origin);
                storePort(served);
            }
        }
        jobEnded(pendingJobs);
    };
    m_probing.insert(entry.portKey());
    m_probe->fetchHTMLData(
        entry.port(), m_hosts.value(entry.portKey()),
        [this, self = QPointer(this), entry, answers, applyWhenBoth](const PageProbe::Outcome& outcome) {
            if (!self)
                return;
            m_probing.remove(entry.portKey());
            answers->outcome = outcome;
            applyWhenBoth();
        });
    return [answers, applyWhenBoth](const std::optional<ProcessInfo>& info) {
        answers->origin = info;
        applyWhenBoth();
    };
}

void PortListRefresher::noteUnanswered(const PortData& entry)
{
    if (!isAmongLastCandidates(entry.portKey()))
        return;
    Retry& retry = m_retries[entry.portKey()];
    retry.failures += 1;
    const qint64 waitSeconds = retry.failures >= 6 ? 60 : qint64(1) << retry.failures;
    retry.dueMs = m_clock.elapsed() + waitSeconds * 1000;
    auto known = m_unansweredPorts.find(entry.portKey());
    if (known != m_unansweredPorts.end() && *known == entry)
        return;
    m_unansweredPorts.insert(entry.portKey(), entry);
    emit portsChanged();
    // A container's listener is listed once: among the servers, under its container's title.
    if (m_ignoredPorts.remove(entry.portKey()) > 0)
        emit ignoredPortsChanged();
}

void PortListRefresher::storePort(const PortData& entry)
{
    // A server that stopped listening while it was probed must not come back as a row that no
    // later scan would remove.
    if (!isAmongLastCandidates(entry.portKey()))
        return;
    m_ports.insert(entry.portKey(), entry);
    emit portsChanged();
    if (m_ignoredPorts.remove(entry.portKey()) > 0)
        emit ignoredPortsChanged();
}

void PortListRefresher::jobEnded(const std::shared_ptr<int>& pendingJobs)
{
    if (--*pendingJobs == 0)
        emit checkFinished();
}

QString PortListRefresher::listedKey(const PortData& entry)
{
    return entry.portKey() + QLatin1Char('@') + entry.identity().startTime;
}

} // namespace tidewell
