#pragma once

#include "ports/ContainerNames.h"
#include "ports/PortScanner.h"
#include "records/PortData.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QThreadPool>
#include <QTimer>
#include <functional>
#include <optional>

namespace tidewell {

class PageProbe;

// Keeps the two port lists up to date: the development servers that serve a page, with their page
// data and origin, and every other listener under its name. Lives on the interface thread; the
// scan and the origin lookups run on its worker pool and their results are applied back here.
class PortListRefresher : public QObject
{
    Q_OBJECT
public:
    // Both run on worker threads and may block.
    using ScanFunction = std::function<ScanResult()>;
    // Gives nothing when the pid no longer belongs to the listed process.
    using OriginFunction = std::function<std::optional<ProcessInfo>(const ProcessIdentity& listed)>;
    // The sorted inodes of the listening sockets, or nothing where they cannot be had cheaply.
    using ListeningWatch = std::function<std::optional<QList<quint64>>()>;
    // Asks the container engine which containers publish which ports; runs on a worker thread.
    using ContainerLookup = std::function<Result<QList<ContainerEngine::Container>>()>;
    static constexpr int kWatchIntervalMs = 250;

    PortListRefresher(ScanFunction scan, PageProbe* probe, OriginFunction origin, QObject* parent = nullptr);
    ~PortListRefresher() override;

    // For quitting: lets the running scans and lookups end for at most `graceMs`, then leaves those still
    // running behind on their threads (each job owns what it uses), so that a tool that hangs never
    // holds the program. Call it only right before destroying the refresher; otherwise the destructor
    // waits for every job.
    void leaveJobsBehindAfter(int graceMs);
    // One refresh. A call while the previous scan is still running is skipped.
    void checkPorts();
    // The worker pool runs the scan and the lookups on at most this many threads; by default four, or
    // one a core where there are more, as lookups through the command-line tools block a thread each.
    void setMaxWorkerThreads(int threads) { m_pool->setMaxThreadCount(threads); }

    // Forgets which servers were seen, so that every current one is probed again.
    void refresh();
    // While watching, the listening sockets are compared every kWatchIntervalMs and a change
    // (a server that started or stopped) refreshes at once instead of at the next tick.
    void setListeningWatch(ListeningWatch watch) { m_watch = std::move(watch); }
    void setWatching(bool watching);
    // Listeners of container engines' proxies are then shown as their containers. The engine is
    // asked at most once per scan, only when a proxy holds a port not asked about yet, and never
    // waited for: its answer is applied to the latest scan when it comes.
    void setContainerLookup(ContainerLookup lookup) { m_containerLookup = std::move(lookup); }
    bool isWatching() const { return m_watchTimer.isActive(); }

    const QHash<QString, PortData>& ports() const { return m_ports; }
    const QHash<QString, PortData>& ignoredPorts() const { return m_ignoredPorts; }
    // Development servers still listening whose page probe got no answer yet (refused, reset, timed
    // out), with their origin and no page; each is asked again on later scans, 2, 4, 8, 16, 32 and
    // then every 60 seconds after. A change to them is a change of `portsChanged`.
    const QHash<QString, PortData>& unansweredPorts() const { return m_unansweredPorts; }
    // The map values in a stable order: by port number, then by process id.
    QList<PortData> sortedPorts() const { return sortedByPortAndPid(m_ports.values()); }
    // What the window and `tidewell --list` show as servers: those with a page and those that have
    // not answered (a row whose page was found keeps it while a later probe gets no answer).
    QList<PortData> sortedListedPorts() const;
    QList<PortData> sortedIgnoredPorts() const { return sortedByPortAndPid(m_ignoredPorts.values()); }
    bool isScanning() const { return m_scanInFlight; }

    static QList<PortData> sortedByPortAndPid(QList<PortData> entries);
    // The entry an ignored listener is shown as: its name as title, no page, no origin.
    static PortData ignoredEntry(const PortData& scanned);

signals:
    void portsChanged();
    void ignoredPortsChanged();
    // A scan has been applied and every probe it started has ended.
    void checkFinished();

private:
    void applyScan(const ScanResult& scan);
    void applyNamedScan(const std::shared_ptr<int>& pendingJobs, bool mayAskEngine);
    void lookUpContainers(const QList<PortData>& proxies, const std::shared_ptr<int>& pendingJobs);
    // Receives the origin of an entry's process once it has been looked up.
    using OriginWaiter = std::function<void(const std::optional<ProcessInfo>&)>;
    void probeEntries(const QList<PortData>& entries, const std::shared_ptr<int>& pendingJobs);
    OriginWaiter probeEntry(const PortData& entry, const std::shared_ptr<int>& pendingJobs);
    void noteUnanswered(const PortData& entry);
    void storePort(const PortData& entry);
    void jobEnded(const std::shared_ptr<int>& pendingJobs);
    bool isAmongLastCandidates(const QString& key) const { return m_lastCandidateKeys.contains(key); }
    void watchTick();
    void checkSoon();
    // The row key and the listed start time: a pid given to a new listener on the same port is a
    // new server.
    static QString listedKey(const PortData& entry);

    ScanFunction m_scan;
    PageProbe* m_probe;
    OriginFunction m_origin;
    std::unique_ptr<QThreadPool> m_pool = std::make_unique<QThreadPool>();
    bool m_scanInFlight = false;
    bool m_checkAgain = false;
    QHash<QString, PortData> m_ports;
    QHash<QString, PortData> m_ignoredPorts;
    QSet<QString> m_lastCandidateKeys;
    QSet<QString> m_lastListedKeys;
    QHash<QString, QString> m_hosts;
    QHash<QString, PortData> m_unansweredPorts;
    // Per unanswered key: how many probes in a row got no answer, and when to ask again.
    struct Retry
    {
        int failures = 0;
        qint64 dueMs = 0;
    };
    QHash<QString, Retry> m_retries;
    QSet<QString> m_probing;
    QElapsedTimer m_clock;
    ListeningWatch m_watch;
    QTimer m_watchTimer;
    bool m_watchInFlight = false;
    std::optional<QList<quint64>> m_watchedInodes;
    ContainerLookup m_containerLookup;
    ContainerNames m_containers;
    bool m_containerLookupInFlight = false;
    ScanResult m_lastScan;
};

} // namespace tidewell
