#pragma once

#include "notifications/Notification.h"
#include "records/ProjectObject.h"

#include <QHash>
#include <QObject>

#include <optional>

namespace tidewell {

class AppState;
class NotificationSink;

// Tells the desktop when the latest deployment of a project finishes: from building, queued or
// initializing to ready ("<project> deployed") or error ("<project> failed to deploy"), with its
// commit line. It reads every project list the deployments feed stores in the state, which the feed
// also fetches once a minute while the tab is not showing, for this notification. The first state
// seen of a project is the starting point, not news. Lives on the interface thread.
class DeploymentNotifier : public QObject
{
    Q_OBJECT
public:
    // `state` and `sink` outlive the notifier.
    DeploymentNotifier(AppState* state, NotificationSink* sink, QString dashboardOrigin,
                       QObject* parent = nullptr);

    // The notification for a project whose latest deployment was `before` and is now as listed;
    // absent when that is not a finish. `link` is the project's deployments page, when known.
    static std::optional<Notification>
    finished(const ProjectObject& project, std::optional<ReadyState> before, const std::optional<QUrl>& link);

private:
    void projectDataChanged();
    std::optional<QUrl> deploymentsPage(const ProjectObject& project) const;

    AppState* m_state;
    NotificationSink* m_sink;
    QString m_dashboardOrigin;
    // The ready state of each project's latest deployment when last seen, by project id.
    QHash<QString, ReadyState> m_latest;
};

} // namespace tidewell
