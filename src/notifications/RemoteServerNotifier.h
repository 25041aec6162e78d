#pragma once

#include "records/PortData.h"

#include <QHash>
#include <QObject>

namespace tidewell {

class AppState;
class NotificationSink;
class RemoteMachinesWatcher;

// Tells the desktop when a server appears on a remote machine or leaves it, if the user asked for
// server notifications: "Server started" / "Server stopped" with the page title, the port and the
// machine. A machine's first listing is the starting point, not news; a machine that cannot be
// reached says nothing of its servers until it answers again. Lives on the interface thread.
class RemoteServerNotifier : public QObject
{
    Q_OBJECT
public:
    // All three outlive the notifier.
    RemoteServerNotifier(AppState* state, RemoteMachinesWatcher* watcher, NotificationSink* sink,
                         QObject* parent = nullptr);

private:
    void machinesChanged();

    AppState* m_state;
    RemoteMachinesWatcher* m_watcher;
    NotificationSink* m_sink;
    // By machine, the servers of its last listing by row key.
    QHash<QString, QHash<QString, PortData>> m_known;
};

} // namespace tidewell
