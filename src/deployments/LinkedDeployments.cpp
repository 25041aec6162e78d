#include "deployments/LinkedDeployments.h"

#include "deployments/VercelDashboard.h"
#include "deployments/VercelOrigins.h"
#include "platform/Diagnostics.h"
#include "state/AppState.h"
#include "state/AsyncTask.h"

#include <QPointer>

namespace tidewell {

LinkedDeployments::LinkedDeployments(AppState* state, QThreadPool* pool, QString apiOrigin, QString home,
                                     QObject* parent)
    : QObject(parent), m_state(state), m_pool(pool), m_client(std::move(apiOrigin), state->vercelToken()),
      m_home(std::move(home)), m_team(state->selectedTeam())
{
    m_clock.start();
    connect(state, &AppState::projectDataChanged, this, &LinkedDeployments::changed);
    connect(state, &AppState::userDataChanged, this, &LinkedDeployments::changed);
    connect(state, &AppState::teamsDataChanged, this, &LinkedDeployments::changed);
    connect(state, &AppState::selectedTeamWritten, this, &LinkedDeployments::teamChanged);
    // Rows ask again when the window opens and once a minute while it is open, and whatever they
    // ask for that has grown old is fetched again.
    connect(state, &AppState::isVisibleChanged, this, [this](bool visible) {
        if (visible)
            emit changed();
    });
    m_timer.setInterval(m_projectRefetchMs);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (m_state->isVisible())
            emit changed();
    });
    m_timer.start();
}

void LinkedDeployments::setIntervals(int projectRefetchMs, int linkRecheckMs)
{
    m_projectRefetchMs = projectRefetchMs;
    m_linkRecheckMs = linkRecheckMs;
    m_timer.setInterval(projectRefetchMs);
}

std::optional<ProjectObject> LinkedDeployments::projectFor(const QString& folder)
{
    const std::optional<VercelProjectLink> link = linkFor(folder);
    if (!link)
        return std::nullopt;
    if (!m_state->vercelToken()) {
        if (!std::exchange(m_noTokenSaid, true))
            Diagnostics::writeLine(QStringLiteral("No Vercel token: the deployments of linked projects are "
                                                  "not shown"));
        return std::nullopt;
    }
    std::optional<ProjectObject> project = fetchedProject(link->projectId);
    if (project)
        fetchAccount();
    return project;
}

std::optional<VercelProjectLink> LinkedDeployments::linkFor(const QString& folder)
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
    if (!entry.reading && (!entry.known || m_clock.elapsed() - entry.readAtMs >= m_linkRecheckMs)) {
        entry.reading = true;
        AsyncTask::runThenCallback(
            m_pool, this, [folder, home = m_home] { return VercelProjectLink::find(folder, home); },
            [this, folder](const std::optional<VercelProjectLink>& link) {
                FolderLink& read = m_folders[folder];
                const bool differs = read.link != link;
                read = FolderLink{link, m_clock.elapsed(), true, false};
                if (differs)
                    emit changed();
            });
    }
    return entry.link;
}

std::optional<ProjectObject> LinkedDeployments::fetchedProject(const QString& projectId)
{
    if (const auto& data = m_state->projectData()) {
        for (const ProjectObject& project : data->projects) {
            if (project.id == projectId)
                return project;
        }
    }
    if (m_projects.size() >= kMaxFolders && !m_projects.contains(projectId))
        m_projects.clear();
    FetchedProject& entry = m_projects[projectId];
    const qint64 now = m_clock.elapsed();
    if (entry.inFlight || (entry.asked && now - entry.fetchedAtMs < m_projectRefetchMs))
        return entry.project;
    entry.asked = true;
    entry.inFlight = true;
    entry.fetchedAtMs = now;
    const QPointer<LinkedDeployments> self(this);
    const int generation = m_generation;
    m_client.fetchProject(projectId, m_team, [self, projectId, generation](Result<ProjectObject> reply) {
        if (!self || generation != self->m_generation)
            return;
        FetchedProject& fetched = self->m_projects[projectId];
        fetched.inFlight = false;
        // The minute runs from the answer, so that a slow one is not asked again at once.
        fetched.fetchedAtMs = self->m_clock.elapsed();
        if (!reply) {
            // A project this account cannot see, or no network: what was shown stays, nothing is added.
            if (!std::exchange(fetched.failureSaid, true))
                Diagnostics::writeLine(QStringLiteral("Linked Vercel project ") + projectId +
                                       QStringLiteral(" not shown: ") + reply.error());
            return;
        }
        if (fetched.project == reply.value())
            return;
        fetched.project = std::move(reply).value();
        emit self->changed();
    });
    return entry.project;
}

void LinkedDeployments::fetchAccount()
{
    const bool teamMissing = m_team && !m_state->teamsData();
    if (m_state->userData() && !teamMissing)
        return;
    const qint64 now = m_clock.elapsed();
    if (m_accountAskedAtMs >= 0 && now - m_accountAskedAtMs < m_projectRefetchMs)
        return;
    m_accountAskedAtMs = now;
    const QPointer<LinkedDeployments> self(this);
    auto failed = [self](const QString& error) {
        if (self && !std::exchange(self->m_accountFailureSaid, true))
            Diagnostics::writeLine(error);
    };
    // Stored where the deployments tab keeps them, so neither asks twice.
    if (!m_state->userData()) {
        m_client.fetchUser([self, failed](const Result<UserResponse>& user) {
            if (!user)
                failed(user.error());
            else if (self && !self->m_state->userData())
                self->m_state->setUserData(user.value());
        });
    }
    if (teamMissing) {
        m_client.fetchTeams([self, failed](const Result<TeamsResponse>& teams) {
            if (!teams)
                failed(teams.error());
            else if (self && !self->m_state->teamsData())
                self->m_state->setTeamsData(teams.value());
        });
    }
}

std::optional<QUrl> LinkedDeployments::deploymentsPage(const ProjectObject& project) const
{
    const auto& user = m_state->userData();
    // A team's page needs the team's slug: without the teams the user's name would be a wrong page.
    if (!user || (m_team && !m_state->teamsData()))
        return std::nullopt;
    const QString account = VercelDashboard::accountName(*user, m_state->teamsData(), m_team);
    return VercelDashboard::deploymentsPage(VercelOrigins::dashboardOrigin(), account, project.name);
}

void LinkedDeployments::teamChanged()
{
    const std::optional<QString> team = m_state->selectedTeam();
    if (team == m_team)
        return;
    m_team = team;
    ++m_generation;
    m_projects.clear();
    m_accountAskedAtMs = -1;
    emit changed();
}

} // namespace tidewell
