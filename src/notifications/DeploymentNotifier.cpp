#include "notifications/DeploymentNotifier.h"

#include "deployments/VercelDashboard.h"
#include "notifications/NotificationSink.h"
#include "state/AppState.h"

namespace tidewell {

namespace {

bool isUnderWay(ReadyState state)
{
    return state == ReadyState::building || state == ReadyState::queued || state == ReadyState::initializing;
}

} // namespace

DeploymentNotifier::DeploymentNotifier(AppState* state, NotificationSink* sink, QString dashboardOrigin,
                                       QObject* parent)
    : QObject(parent), m_state(state), m_sink(sink), m_dashboardOrigin(std::move(dashboardOrigin))
{
    connect(state, &AppState::projectDataChanged, this, &DeploymentNotifier::projectDataChanged);
}

std::optional<Notification> DeploymentNotifier::finished(const ProjectObject& project,
                                                         std::optional<ReadyState> before,
                                                         const std::optional<QUrl>& link)
{
    if (project.latestDeployments.isEmpty() || !before || !isUnderWay(*before))
        return std::nullopt;
    const Deployments& latest = project.latestDeployments.first();
    if (latest.readyState != ReadyState::ready && latest.readyState != ReadyState::error)
        return std::nullopt;
    const QString title =
        project.name + (latest.readyState == ReadyState::ready ? QStringLiteral(" deployed")
                                                               : QStringLiteral(" failed to deploy"));
    return Notification{title, latest.meta.commitLine().value_or(QString()), link};
}

void DeploymentNotifier::projectDataChanged()
{
    const std::optional<ProjectResponse>& data = m_state->projectData();
    if (!data)
        return;
    // Followed with the switch off too, so that turning it on brings no old news.
    const bool notify = m_state->notifyDeploymentFinished();
    for (const ProjectObject& project : data->projects) {
        if (project.latestDeployments.isEmpty())
            continue;
        const auto known = m_latest.constFind(project.id);
        const std::optional<ReadyState> before =
            known == m_latest.cend() ? std::nullopt : std::optional<ReadyState>(*known);
        m_latest.insert(project.id, project.latestDeployments.first().readyState);
        if (!notify)
            continue;
        if (const auto notification = finished(project, before, deploymentsPage(project)))
            m_sink->show(*notification);
    }
}

std::optional<QUrl> DeploymentNotifier::deploymentsPage(const ProjectObject& project) const
{
    const std::optional<UserResponse>& user = m_state->userData();
    if (!user)
        return std::nullopt;
    const QString account =
        VercelDashboard::accountName(*user, m_state->teamsData(), m_state->selectedTeam());
    return VercelDashboard::deploymentsPage(m_dashboardOrigin, account, project.name);
}

} // namespace tidewell
