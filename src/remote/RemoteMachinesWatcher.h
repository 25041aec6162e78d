#pragma once

#include "remote/RemoteMachine.h"
#include "remote/RemoteMachineList.h"

#include <QHash>
#include <QObject>
#include <QTimer>
#include <memory>

namespace tidewell {

class AppState;

// Keeps the listing of every switched-on remote machine of the settings for the window: each is
// asked at once when the window opens, then after kOpenIntervalMs, a delay that doubles up to
// kClosedIntervalMs while its listing stays the same (each refresh starts an ssh client here); every
// kClosedIntervalMs while the window is closed and server notifications are on; and not at all
// otherwise. A machine that cannot be listed keeps its reason and is asked again after a delay that
// doubles up to kMaxRetryMs. One refresh of a machine at a time. Lives on the interface thread.
class RemoteMachinesWatcher : public QObject
{
    Q_OBJECT
public:
    static constexpr int kOpenIntervalMs = 2000;
    static constexpr int kClosedIntervalMs = 30'000;
    static constexpr int kFirstRetryMs = 2000;
    static constexpr int kMaxRetryMs = 60'000;
    // A remote page probe may not hold the machine's refreshes for the local probe's minute.
    static constexpr int kProbeDeadlineMs = 10'000;

    struct MachineState
    {
        QString destination;
        RemoteListing listing;
        // Why the last refresh failed; empty when it answered.
        QString error;
        // Whether any refresh has ended yet.
        bool asked = false;
        int failuresInARow = 0;
    };

    // Without a control folder, the default one is made when the first machine is switched on.
    explicit RemoteMachinesWatcher(AppState* state, QString controlFolder = {}, QObject* parent = nullptr);
    ~RemoteMachinesWatcher() override;

    // The switched-on machines, in the settings' order.
    QList<MachineState> machines() const;
    // Null for a machine that is not switched on.
    RemoteMachine* machine(const QString& destination) const;
    // The delay after `failures` failed refreshes in a row.
    static int retryDelayMs(int failures);
    // The delay between refreshes of the open window after `unchanged` refreshes in a row that found
    // the listing as it was.
    static int openIntervalMs(int unchanged);
    // When the machine is asked next, in milliseconds from now: 0 while it is being asked, -1 when it
    // will not be.
    int scheduledInMs(const QString& destination) const;

signals:
    // A machine's listing or error changed, or the list of machines did.
    void machinesChanged();

private:
    struct Watched;

    void readMachines();
    void refresh(Watched& watched);
    void schedule(Watched& watched);
    void rescheduleAll();

    AppState* m_state;
    QString m_controlFolder;
    QList<std::shared_ptr<Watched>> m_watched;
};

} // namespace tidewell
