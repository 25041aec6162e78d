#include "notifications/RemoteServerNotifier.h"

#include "notifications/NotificationSink.h"
#include "notifications/ServerNotifier.h"
#include "ports/PortListRefresher.h"
#include "remote/RemoteMachinesWatcher.h"
#include "state/AppState.h"

namespace tidewell {

RemoteServerNotifier::RemoteServerNotifier(AppState* state, RemoteMachinesWatcher* watcher,
                                           NotificationSink* sink, QObject* parent)
    : QObject(parent), m_state(state), m_watcher(watcher), m_sink(sink)
{
    connect(watcher, &RemoteMachinesWatcher::machinesChanged, this, &RemoteServerNotifier::machinesChanged);
}

void RemoteServerNotifier::machinesChanged()
{
    QHash<QString, QHash<QString, PortData>> known;
    const bool notify = m_state->notifyServerChanges();
    for (const RemoteMachinesWatcher::MachineState& machine : m_watcher->machines()) {
        const auto before = m_known.constFind(machine.destination);
        if (!machine.asked || !machine.error.isEmpty()) {
            // Unreachable is not stopped: what was known stays known.
            if (before != m_known.cend())
                known.insert(machine.destination, *before);
            continue;
        }
        QHash<QString, PortData> current;
        for (const PortData& server : machine.listing.servers)
            current.insert(server.portKey(), server);
        known.insert(machine.destination, current);
        // Known servers are followed with the switch off too, so that turning it on brings no old news.
        if (before == m_known.cend() || !notify)
            continue;
        QList<PortData> gone;
        for (const PortData& server : *before) {
            if (!current.contains(server.portKey()))
                gone.append(server);
        }
        QList<PortData> arrived;
        for (const PortData& server : std::as_const(current)) {
            if (!before->contains(server.portKey()))
                arrived.append(server);
        }
        const QString where = QStringLiteral(" on ") + machine.destination;
        for (const PortData& server : PortListRefresher::sortedByPortAndPid(gone)) {
            Notification notification = ServerNotifier::stopped(server);
            notification.message += where;
            m_sink->show(notification);
        }
        for (const PortData& server : PortListRefresher::sortedByPortAndPid(arrived)) {
            Notification notification = ServerNotifier::started(server);
            notification.message += where;
            m_sink->show(notification);
        }
    }
    m_known = known;
}

} // namespace tidewell
