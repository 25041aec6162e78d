#include "remote/RemoteMachinesWatcher.h"

#include "state/AppState.h"

namespace tidewell {

struct RemoteMachinesWatcher::Watched
{
    MachineState state;
    std::unique_ptr<RemoteMachine> machine;
    std::unique_ptr<QTimer> timer = std::make_unique<QTimer>();
    bool inFlight = false;
    int unchangedInARow = 0;
};

RemoteMachinesWatcher::RemoteMachinesWatcher(AppState* state, QString controlFolder, QObject* parent)
    : QObject(parent), m_state(state), m_controlFolder(std::move(controlFolder))
{
    connect(m_state, &AppState::remoteMachinesChanged, this, &RemoteMachinesWatcher::readMachines);
    connect(m_state, &AppState::isVisibleChanged, this, &RemoteMachinesWatcher::rescheduleAll);
    connect(m_state, &AppState::notificationSettingsChanged, this, &RemoteMachinesWatcher::rescheduleAll);
    readMachines();
}

RemoteMachinesWatcher::~RemoteMachinesWatcher() = default;

int RemoteMachinesWatcher::retryDelayMs(int failures)
{
    if (failures <= 0)
        return 0;
    return int(std::min<qint64>(qint64(kFirstRetryMs) << std::min(failures - 1, 16), kMaxRetryMs));
}

int RemoteMachinesWatcher::openIntervalMs(int unchanged)
{
    return int(std::min<qint64>(qint64(kOpenIntervalMs) << std::clamp(unchanged, 0, 16), kClosedIntervalMs));
}

QList<RemoteMachinesWatcher::MachineState> RemoteMachinesWatcher::machines() const
{
    QList<MachineState> states;
    for (const auto& watched : m_watched)
        states.append(watched->state);
    return states;
}

RemoteMachine* RemoteMachinesWatcher::machine(const QString& destination) const
{
    for (const auto& watched : m_watched) {
        if (watched->state.destination == destination)
            return watched->machine.get();
    }
    return nullptr;
}

int RemoteMachinesWatcher::scheduledInMs(const QString& destination) const
{
    for (const auto& watched : m_watched) {
        if (watched->state.destination == destination)
            return watched->inFlight ? 0 : watched->timer->isActive() ? watched->timer->remainingTime() : -1;
    }
    return -1;
}

void RemoteMachinesWatcher::readMachines()
{
    QList<std::shared_ptr<Watched>> kept;
    for (const RemoteMachineList::Machine& entry :
         RemoteMachineList::fromJson(m_state->remoteMachinesData())) {
        if (!entry.enabled)
            continue;
        const auto found = std::find_if(m_watched.cbegin(), m_watched.cend(), [&](const auto& watched) {
            return watched->state.destination == entry.destination;
        });
        if (found != m_watched.cend()) {
            kept.append(*found);
            continue;
        }
        if (m_controlFolder.isEmpty())
            m_controlFolder = SshConnection::defaultControlFolder();
        auto watched = std::make_shared<Watched>();
        watched->state.destination = entry.destination;
        watched->machine =
            std::make_unique<RemoteMachine>(*SshDestination::parse(entry.destination), m_controlFolder);
        watched->machine->setProbeDeadlineMs(kProbeDeadlineMs);
        watched->timer->setSingleShot(true);
        connect(watched->timer.get(), &QTimer::timeout, this, [this, raw = watched.get()] { refresh(*raw); });
        // A server stopped from its row leaves at the next listing, which is not kept waiting.
        connect(watched->machine.get(), &RemoteMachine::stopEnded, this, [this, raw = watched.get()] {
            raw->unchangedInARow = 0;
            if (m_state->isVisible() && !raw->inFlight)
                refresh(*raw);
        });
        kept.append(watched);
    }
    // A machine switched off or removed is forgotten with its connection object; its master ends by
    // its own ControlPersist.
    m_watched = kept;
    rescheduleAll();
    emit machinesChanged();
}

void RemoteMachinesWatcher::rescheduleAll()
{
    for (const auto& watched : std::as_const(m_watched)) {
        // Opening the window asks at once a machine that is not waiting out a failure, and at the
        // first pace again.
        if (m_state->isVisible() && !watched->inFlight && watched->state.failuresInARow == 0) {
            watched->unchangedInARow = 0;
            refresh(*watched);
        } else {
            schedule(*watched);
        }
    }
}

void RemoteMachinesWatcher::schedule(Watched& watched)
{
    if (watched.inFlight)
        return;
    const bool asking = m_state->isVisible() || m_state->notifyServerChanges();
    if (!asking) {
        watched.timer->stop();
        return;
    }
    int delay = m_state->isVisible() ? openIntervalMs(watched.unchangedInARow) : kClosedIntervalMs;
    if (watched.state.failuresInARow > 0)
        delay = std::max(delay, retryDelayMs(watched.state.failuresInARow));
    if (!watched.state.asked)
        delay = 0;
    // A timer already running for a sooner refresh keeps its time.
    if (!watched.timer->isActive() || watched.timer->remainingTime() > delay)
        watched.timer->start(delay);
}

void RemoteMachinesWatcher::refresh(Watched& watched)
{
    watched.timer->stop();
    watched.inFlight = true;
    std::weak_ptr<Watched> weak;
    for (const auto& candidate : std::as_const(m_watched)) {
        if (candidate.get() == &watched)
            weak = candidate;
    }
    watched.machine->refresh([this, weak](const RemoteMachine::Refresh& answer) {
        const auto still = weak.lock();
        if (!still)
            return;
        Watched& current = *still;
        // The same listing as last time slows the pace of an open window; any change restores it.
        const bool same = answer.error.isEmpty() && current.state.asked && current.state.error.isEmpty() &&
                          answer.listing == current.state.listing;
        current.unchangedInARow = same ? current.unchangedInARow + 1 : 0;
        current.inFlight = false;
        current.state.asked = true;
        current.state.error = answer.error;
        if (answer.error.isEmpty()) {
            current.state.listing = answer.listing;
            current.state.failuresInARow = 0;
        } else {
            current.state.listing = {};
            ++current.state.failuresInARow;
        }
        schedule(current);
        emit machinesChanged();
    });
}

} // namespace tidewell
