#pragma once

#include "deployments/VercelClient.h"
#include "notifications/Notification.h"
#include "records/ProjectObject.h"

#include <QHash>
#include <QObject>
#include <QTimer>

#include <optional>

namespace tidewell {

class AppState;
class NotificationSink;

// Tells the desktop when the latest deployment of a project finishes: from building, queued or
// initializing to ready ("<project> deployed") or error ("<project> failed to deploy"), with its
// commit line. It reads every project list stored in the state, so the deployments tab's polling
// feeds it; with a token it also fetches the list itself once a minute while the tab is not
// polling (window closed, or open elsewhere). The first state seen of a project is the starting
// point, not news. Lives on the interface thread.
class DeploymentNotifier : public QObject
{
    Q_OBJECT
public:
    static constexpr int kFetchIntervalMs = 60'000;

    // `state` and `sink` outlive the notifier; `client` carries the token of the state.
    DeploymentNotifier(AppState* state, NotificationSink* sink, VercelClient client, QString dashboardOrigin,
                       QObject* parent = nullptr);

    // Tests shorten the minute.
    void setFetchIntervalMs(int ms) { m_timer.setInterval(ms); }
    bool isFetching() const { return m_fetching; }

    // The notification for a project whose latest deployment was `before` and is now as listed;
    // absent when that is not a finish. `link` is the project's deployments page, when known.
    static std::optional<Notification>
    finished(const ProjectObject& project, std::optional<ReadyState> before, const std::optional<QUrl>& link);

private:
    void projectDataChanged();
    void tick();
    bool tabIsPolling() const;
    std::optional<QUrl> deploymentsPage(const ProjectObject& project) const;

    AppState* m_state;
    NotificationSink* m_sink;
    VercelClient m_client;
    QString m_dashboardOrigin;
    QTimer m_timer;
    bool m_fetching = false;
    // The ready state of each project's latest deployment when last seen, by project id.
    QHash<QString, ReadyState> m_latest;
};

} // namespace tidewell
