#include "ports/PortListRefresher.h"

#include "probe/PageProbe.h"
#include "state/AsyncTask.h"

#include <QPointer>
#include <algorithm>

namespace tidewell {

namespace {

bool samePortAndPid(const PortData& a, const PortData& b)
{
    return a.port() == b.port() && a.pid() == b.pid();
}

bool containsPortAndPid(const QList<PortData>& list, const PortData& entry)
{
    return std::any_of(list.cbegin(), list.cend(),
                       [&](const PortData& e) { return samePortAndPid(e, entry); });
}

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
    m_pool.setMaxThreadCount(std::max(4, QThread::idealThreadCount()));
}

PortListRefresher::~PortListRefresher()
{
    m_pool.waitForDone();
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

PortData PortListRefresher::ignoredEntry(const PortData& scanned)
{
    return PortData(scanned.processName(), scanned.port(), scanned.pid(),
                    HTMLData{scanned.processName(), AppType::unknown, std::nullopt, HttpScheme::http});
}

void PortListRefresher::checkPorts()
{
    if (m_scanInFlight)
        return;
    m_scanInFlight = true;
    AsyncTask::runThenCallback(&m_pool, this, m_scan, [this](const ScanResult& scan) {
        m_scanInFlight = false;
        applyScan(scan);
        if (std::exchange(m_checkAgain, false))
            checkPorts();
    });
}

void PortListRefresher::refresh()
{
    m_lastCheckPorts.clear();
    if (m_scanInFlight)
        m_checkAgain = true;
    else
        checkPorts();
}

void PortListRefresher::applyScan(const ScanResult& scan)
{
    QList<PortData> newEntries;
    for (const PortData& candidate : scan.candidates) {
        if (!containsPortAndPid(m_lastCheckPorts, candidate))
            newEntries.append(candidate);
    }
    QList<PortData> removedEntries;
    for (const PortData& previous : std::as_const(m_lastCheckPorts)) {
        if (!containsPortAndPid(scan.candidates, previous))
            removedEntries.append(previous);
    }
    m_lastCheckPorts = scan.candidates;

    bool removed = false;
    for (const PortData& entry : std::as_const(removedEntries))
        removed = m_ports.remove(entry.portKey()) > 0 || removed;
    if (removed)
        emit portsChanged();

    // Ignored listeners are rewritten on every scan and never removed.
    bool ignoredChanged = false;
    for (const PortData& scanned : scan.ignored) {
        const PortData entry = ignoredEntry(scanned);
        auto existing = m_ignoredPorts.find(entry.portKey());
        if (existing == m_ignoredPorts.end() || !(*existing == entry)) {
            m_ignoredPorts.insert(entry.portKey(), entry);
            ignoredChanged = true;
        }
    }
    if (ignoredChanged)
        emit ignoredPortsChanged();

    auto pendingJobs = std::make_shared<int>(int(newEntries.size()) + 1);
    for (const PortData& entry : std::as_const(newEntries))
        probeNewEntry(entry, pendingJobs);
    jobEnded(pendingJobs);
}

void PortListRefresher::probeNewEntry(const PortData& entry, const std::shared_ptr<int>& pendingJobs)
{
    m_probe->fetchHTMLData(
        entry.port(), [this, self = QPointer(this), entry, pendingJobs](std::optional<HTMLData> page) {
            if (!self)
                return;
            if (!page) {
                // Not shown; it stays among the last candidates, so later scans do not probe it again.
                jobEnded(pendingJobs);
                return;
            }
            AsyncTask::runThenCallback(
                &m_pool, this, [origin = m_origin, pid = entry.pid()] { return origin(pid); },
                [this, entry, page, pendingJobs](const std::optional<ProcessInfo>& info) {
                    storePort(PortData(entry.processName(), entry.port(), entry.pid(), page, info));
                    jobEnded(pendingJobs);
                });
        });
}

void PortListRefresher::storePort(const PortData& entry)
{
    // A server that stopped listening while it was probed must not come back as a row that no
    // later scan would remove.
    if (!isAmongLastCandidates(entry.portKey()))
        return;
    m_ports.insert(entry.portKey(), entry);
    emit portsChanged();
}

void PortListRefresher::jobEnded(const std::shared_ptr<int>& pendingJobs)
{
    if (--*pendingJobs == 0)
        emit checkFinished();
}

bool PortListRefresher::isAmongLastCandidates(const QString& key) const
{
    return std::any_of(m_lastCheckPorts.cbegin(), m_lastCheckPorts.cend(),
                       [&key](const PortData& e) { return e.portKey() == key; });
}

} // namespace tidewell
