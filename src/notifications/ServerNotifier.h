#pragma once

#include "notifications/Notification.h"
#include "records/PortData.h"

#include <QHash>
#include <QObject>
#include <QTimer>

namespace tidewell {

class AppState;
class NotificationSink;
class PortListRefresher;

// Tells the desktop when a development server appears in the port list or leaves it while the
// program runs, if the user asked for it; the servers of the first listing are the starting point,
// not news. While the window is closed and the switch is on, it refreshes the list every
// kClosedWindowCheckMs, so that a change is seen at all. Lives on the interface thread beside the
// refresher it watches.
class ServerNotifier : public QObject
{
    Q_OBJECT
public:
    static constexpr int kClosedWindowCheckMs = 5000;

    // All three outlive the notifier.
    ServerNotifier(AppState* state, PortListRefresher* refresher, NotificationSink* sink,
                   QObject* parent = nullptr);

    // Whether the first listing has ended, so that later changes are news.
    bool hasFirstListing() const { return m_hasFirstListing; }
    static Notification started(const PortData& server);
    static Notification stopped(const PortData& server);

private:
    void checkFinished();
    void portsChanged();
    void updateClosedWindowChecks();

    AppState* m_state;
    PortListRefresher* m_refresher;
    NotificationSink* m_sink;
    bool m_hasFirstListing = false;
    // The servers last seen, by row key: a stopped one is named as it was listed.
    QHash<QString, PortData> m_known;
    QTimer m_closedWindowChecks;
};

} // namespace tidewell
