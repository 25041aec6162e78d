#include "deployments/DeploymentsFeed.h"

#include "deployments/VercelDashboard.h"
#include "deployments/VercelOrigins.h"
#include "platform/LogCategories.h"
#include "state/AppState.h"
#include "state/AsyncTask.h"

#include <QPointer>

namespace tidewell {

namespace {

QString teamText(const std::optional<QString>& team)
{
    return team ? QStringLiteral("Optional(\"") + *team + QStringLiteral("\")") : QStringLiteral("nil");
}

} // namespace

QString DeploymentsFeed::linkedFailureText(const QString& projectId, const QString& reason)
{
    return QStringLiteral("Linked Vercel project ") + projectId + QStringLiteral(" not shown: ") + reason;
}

DeploymentsFeed::DeploymentsFeed(AppState* state, QThreadPool* pool, QString apiOrigin, QString home,
                                 QObject* parent)
    : QObject(parent), m_state(state), m_pool(pool), m_client(std::move(apiOrigin), state->vercelToken()),
      m_home(std::move(home)), m_team(state->selectedTeam())
{
    m_clock.start();
    m_windowOpen = state->isVisible();
    for (const auto changed :
         {&AppState::projectDataChanged, &AppState::userDataChanged, &AppState::teamsDataChanged})
        connect(state, changed, this, &DeploymentsFeed::linkedChanged);
    connect(state, &AppState::selectedTeamWritten, this, &DeploymentsFeed::teamWritten);
    connect(state, &AppState::isVisibleChanged, this, &DeploymentsFeed::viewChanged);
    connect(state, &AppState::selectedTabChanged, this, &DeploymentsFeed::viewChanged);
    connect(state, &AppState::selectedViewChanged, this, &DeploymentsFeed::viewChanged);
    connect(&m_pollTimer, &QTimer::timeout, this, &DeploymentsFeed::poll);
}

void DeploymentsFeed::startPolling()
{
    // Without a token the service refuses every request: nothing is asked.
    if (!m_state->vercelToken())
        return;
    m_pollTimer.start(tabShows() ? kTabPollMs : m_idlePollMs);
    viewChanged();
}

int DeploymentsFeed::pollIntervalMs() const
{
    return m_pollTimer.isActive() ? m_pollTimer.interval() : 0;
}

void DeploymentsFeed::setIntervals(int idlePollMs, int linkedRefetchMs)
{
    m_idlePollMs = idlePollMs;
    m_linkedRefetchMs = linkedRefetchMs;
    if (m_pollTimer.isActive() && !tabShows())
        m_pollTimer.start(idlePollMs);
}

bool DeploymentsFeed::tabShows() const
{
    return m_state->isVisible() && m_state->selectedView() == SelectedView::home &&
           m_state->selectedTab() == SelectedTab::vercel;
}

void DeploymentsFeed::viewChanged()
{
    const bool shows = tabShows();
    const int interval = shows ? kTabPollMs : m_idlePollMs;
    if (m_pollTimer.isActive() && m_pollTimer.interval() != interval)
        m_pollTimer.start(interval);
    // Opening the window on the tab, or turning to it, fetches at once.
    if (shows && !std::exchange(m_tabShown, true)) {
        fetchAccount(true);
        fetchProjects();
    }
    m_tabShown = shows;
    // The rows ask again when the window opens, and fetch what has grown old.
    if (m_state->isVisible() && !std::exchange(m_windowOpen, true))
        emit linkedChanged();
    m_windowOpen = m_state->isVisible();
}

void DeploymentsFeed::poll()
{
    if (tabShows()) {
        fetchProjects();
        return;
    }
    if (m_state->isVisible())
        emit linkedChanged();
    // Outside the tab the projects are fetched for the "Deployment finished" notification alone.
    if (m_state->notifyDeploymentFinished()) {
        fetchAccount(false);
        fetchProjects();
    }
}

void DeploymentsFeed::teamWritten()
{
    const std::optional<QString> team = m_state->selectedTeam();
    if (team == m_team)
        return;
    qCDebug(lcState).noquote() << QStringLiteral("state.selectedTeam has changed to: ") + teamText(team);
    m_team = team;
    ++m_generation;
    m_linked.clear();
    m_linkedInFlight = 0;
    m_accountAskedAtMs = -1;
    emit linkedChanged();
    fetchProjects();
}

void DeploymentsFeed::failed(const QString& reason)
{
    qCWarning(lcDeployments).noquote() << reason;
    m_state->setDeploymentsFailure(VercelClient::kFailureText);
}

void DeploymentsFeed::fetchProjects()
{
    // The request in flight answers for the same account; a reply for another one is dropped when it
    // arrives and asked for again then.
    if (!m_state->vercelToken() || m_fetchingProjects)
        return;
    m_fetchingProjects = true;
    const std::optional<QString> team = m_state->selectedTeam();
    const QPointer<DeploymentsFeed> self(this);
    m_client.fetchProjects(team, [self, team](const Result<ProjectResponse>& projects) {
        if (!self)
            return;
        self->m_fetchingProjects = false;
        AppState* state = self->m_state;
        if (state->selectedTeam() != team) {
            self->fetchProjects();
            return;
        }
        if (!projects) {
            // The list on screen stays as it was.
            self->failed(projects.error());
            return;
        }
        state->setDeploymentsFailure({});
        state->setProjectData(projects.value());
    });
}

void DeploymentsFeed::fetchAccount(bool forTab)
{
    if (!m_state->vercelToken())
        return;
    const bool teamsNeeded = (forTab || m_team) && !m_state->teamsData();
    if (m_state->userData() && !teamsNeeded)
        return;
    const qint64 now = m_clock.elapsed();
    if (!forTab && m_accountAskedAtMs >= 0 && now - m_accountAskedAtMs < m_linkedRefetchMs)
        return;
    m_accountAskedAtMs = now;
    const QPointer<DeploymentsFeed> self(this);
    // The link of a notification or of a row names the account: the user, or the chosen team's slug.
    if (!m_state->userData() && !std::exchange(m_fetchingUser, true)) {
        m_client.fetchUser([self](const Result<UserResponse>& user) {
            if (!self)
                return;
            self->m_fetchingUser = false;
            if (!user)
                self->failed(user.error());
            else
                self->m_state->setUserData(user.value());
        });
    }
    if (teamsNeeded && !std::exchange(m_fetchingTeams, true)) {
        m_client.fetchTeams([self](const Result<TeamsResponse>& teams) {
            if (!self)
                return;
            self->m_fetchingTeams = false;
            if (!teams)
                self->failed(teams.error());
            else
                self->m_state->setTeamsData(teams.value());
        });
    }
}

std::optional<ProjectObject> DeploymentsFeed::projectFor(const QString& folder)
{
    const std::optional<VercelProjectLink> link = linkFor(folder);
    if (!link)
        return std::nullopt;
    std::optional<ProjectObject> project = linkedProject(link->projectId);
    if (project)
        fetchAccount(false);
    return project;
}

std::optional<VercelProjectLink> DeploymentsFeed::linkFor(const QString& folder)
{
    if (folder.isEmpty())
        return std::nullopt;
    auto it = m_folders.find(folder);
    if (it == m_folders.end()) {
        if (m_folders.size() >= kMaxFolders)
            m_folders.clear();
        it = m_folders.insert(folder, FolderLink{});
    }
    FolderLink& entry = *it;
    if (!entry.reading && (!entry.known || m_clock.elapsed() - entry.readAtMs >= kLinkRecheckMs)) {
        entry.reading = true;
        AsyncTask::runThenCallback(
            m_pool, this, [folder, home = m_home] { return VercelProjectLink::find(folder, home); },
            [this, folder](const std::optional<VercelProjectLink>& link) {
                FolderLink& read = m_folders[folder];
                const bool differs = read.link != link;
                read = FolderLink{link, m_clock.elapsed(), true, false};
                if (differs)
                    emit linkedChanged();
            });
    }
    return entry.link;
}

std::optional<ProjectObject> DeploymentsFeed::linkedProject(const QString& projectId)
{
    if (!m_state->vercelToken()) {
        if (!std::exchange(m_noTokenSaid, true))
            qCInfo(lcDeployments).noquote() << kNoTokenForLinkedText;
        return std::nullopt;
    }
    if (const auto& data = m_state->projectData()) {
        for (const ProjectObject& project : data->projects) {
            if (project.id == projectId)
                return project;
        }
    }
    if (m_linked.size() >= kMaxFolders && !m_linked.contains(projectId))
        m_linked.clear();
    FetchedProject& entry = m_linked[projectId];
    const qint64 now = m_clock.elapsed();
    if (entry.inFlight || (entry.asked && now - entry.fetchedAtMs < m_linkedRefetchMs))
        return entry.project;
    entry.asked = true;
    entry.inFlight = true;
    entry.fetchedAtMs = now;
    ++m_linkedInFlight;
    const QPointer<DeploymentsFeed> self(this);
    const int generation = m_generation;
    m_client.fetchProject(projectId, m_team, [self, projectId, generation](Result<ProjectObject> reply) {
        // A reply for the team chosen before is not this account's.
        if (!self || generation != self->m_generation)
            return;
        --self->m_linkedInFlight;
        FetchedProject& fetched = self->m_linked[projectId];
        fetched.inFlight = false;
        // The minute runs from the answer, so that a slow one is not asked again at once.
        fetched.fetchedAtMs = self->m_clock.elapsed();
        if (!reply) {
            // A project this account cannot see, or no network: what was shown stays, nothing is added.
            if (!std::exchange(fetched.failureSaid, true))
                qCWarning(lcDeployments).noquote() << linkedFailureText(projectId, reply.error());
            return;
        }
        if (fetched.project == reply.value())
            return;
        fetched.project = std::move(reply).value();
        emit self->linkedChanged();
    });
    return entry.project;
}

std::optional<QUrl> DeploymentsFeed::deploymentsPage(const ProjectObject& project) const
{
    const auto& user = m_state->userData();
    // A team's page needs the team's slug: without the teams the user's name would be a wrong page.
    if (!user || (m_team && !m_state->teamsData()))
        return std::nullopt;
    const QString account = VercelDashboard::accountName(*user, m_state->teamsData(), m_team);
    return VercelDashboard::deploymentsPage(VercelOrigins::dashboardOrigin(), account, project.name);
}

} // namespace tidewell
