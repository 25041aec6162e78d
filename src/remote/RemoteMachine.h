#pragma once

#include "records/StopResult.h"
#include "remote/RemoteListingReader.h"
#include "remote/SshConnection.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QObject>
#include <QThreadPool>
#include <functional>

namespace tidewell {

class PageProbe;

// One remote machine: its listing, read through its shared ssh connection, with the pages of its
// servers asked through the connection's one SOCKS forward by the same probe code and limits as local
// ones; and the stop of one of its servers, checked on the far side. Lives on the interface thread
// and never waits: each call answers later.
class RemoteMachine : public QObject
{
    Q_OBJECT
public:
    struct Refresh
    {
        RemoteListing listing;
        // Empty when the machine answered; else why it could not be listed, in one line.
        QString error;
    };
    using RefreshDone = std::function<void(const Refresh&)>;
    using StopDone = std::function<void(StopResult result, const QString& error)>;

    explicit RemoteMachine(SshDestination destination,
                           QString controlFolder = SshConnection::defaultControlFolder(),
                           QObject* parent = nullptr);
    ~RemoteMachine() override;

    SshConnection& connection() { return m_connection; }
    // A limit on each page probe, both schemes together, for the command line; 0 for the window's.
    void setProbeDeadlineMs(int deadlineMs);

    // One run of the listing on the machine, then a probe of each server it did not probe itself.
    void refresh(RefreshDone done);
    // SIGTERM (or SIGKILL) to a server of the last listing, if it still is the process listed.
    void stop(const PortData& entry, StopSignal signal, StopDone done);
    // The command line a terminal here runs for a login shell in `folder` on the machine.
    QString terminalCommand(const QString& folder) const;

signals:
    // A stop has answered, after `done`: the machine's listing may have changed.
    void stopEnded();

private:
    // What a server's probe found, kept while the same process listens: a page is asked for once, a
    // server that did not answer again after kRetryUnansweredMs.
    struct KnownPage
    {
        std::optional<HTMLData> page;
        QDeadlineTimer retry;
    };
    static constexpr int kRetryUnansweredMs = 60'000;

    void probeServers(std::shared_ptr<Refresh> refresh, RefreshDone done);
    static QString pageKey(const PortData& entry);

    SshConnection m_connection;
    // Reads listings (up to 1 MiB of a far side's text) away from the interface thread, one at a
    // time. Freed before the connection, it waits for a read still running: a bounded one.
    QThreadPool m_readers;
    PageProbe* m_probe;
    QHash<QString, KnownPage> m_pages;
};

} // namespace tidewell
