#include "notifications/DeploymentNotifier.h"

#include "deployments/VercelDashboard.h"
#include "notifications/NotificationSink.h"
#include "platform/Diagnostics.h"
#include "state/AppState.h"

#include <QPointer>

namespace tidewell {

namespace {

bool isUnderWay(ReadyState state)
{
    return state == ReadyState::building || state == ReadyState::queued || state == ReadyState::initializing;
}

} // namespace

DeploymentNotifier::DeploymentNotifier(AppState* state, NotificationSink* sink, VercelClient client,
                                       QString dashboardOrigin, QObject* parent)
    : QObject(parent), m_state(state), m_sink(sink), m_client(std::move(client)),
      m_dashboardOrigin(std::move(dashboardOrigin))
{
    connect(state, &AppState::projectDataChanged, this, &DeploymentNotifier::projectDataChanged);
    m_timer.setInterval(kFetchIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &DeploymentNotifier::tick);
    // Without a token the service refuses every request: nothing is asked.
    if (state->vercelToken())
        m_timer.start();
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

bool DeploymentNotifier::tabIsPolling() const
{
    return m_state->isVisible() && m_state->selectedView() == SelectedView::home &&
           m_state->selectedTab() == SelectedTab::vercel;
}

void DeploymentNotifier::tick()
{
    if (m_fetching || tabIsPolling() || !m_state->notifyDeploymentFinished())
        return;
    const QPointer<DeploymentNotifier> self(this);
    // The link of a notification names the account: the user, or the chosen team's slug.
    if (!m_state->userData()) {
        m_client.fetchUser([self](const Result<UserResponse>& user) {
            if (!user)
                Diagnostics::writeLine(user.error());
            else if (self)
                self->m_state->setUserData(user.value());
        });
    }
    const std::optional<QString> team = m_state->selectedTeam();
    if (team && !m_state->teamsData()) {
        m_client.fetchTeams([self](const Result<TeamsResponse>& teams) {
            if (!teams)
                Diagnostics::writeLine(teams.error());
            else if (self)
                self->m_state->setTeamsData(teams.value());
        });
    }
    m_fetching = true;
    m_client.fetchProjects(team, [self, team](const Result<ProjectResponse>& projects) {
        if (!projects)
            Diagnostics::writeLine(projects.error());
        if (!self)
            return;
        self->m_fetching = false;
        // A reply for the account chosen before is not the list of this one.
        if (projects && self->m_state->selectedTeam() == team)
            self->m_state->setProjectData(projects.value());
    });
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
