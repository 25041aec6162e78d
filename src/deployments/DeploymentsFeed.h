#pragma once

#include "deployments/VercelClient.h"
#include "deployments/VercelProjectLink.h"
#include "records/ProjectObject.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <optional>

class QThreadPool;

namespace tidewell {

class AppState;

// The one source of Vercel data that every view reads: it fetches the chosen account's projects, the
// user and the teams into the state, and the projects servers' folders are linked to by their id.
// Polling asks every two seconds while the window is open on the deployments tab and once a minute
// otherwise, never without a token; a reply for a team that is no longer chosen is dropped. Failures
// are said through the diagnostic line it is given, each in one wording. Lives on the interface thread.
class DeploymentsFeed : public QObject
{
    Q_OBJECT
public:
    static constexpr int kTabPollMs = 2000;
    static constexpr int kIdlePollMs = 60'000;
    static constexpr int kLinkRecheckMs = 30'000;
    // More than this many folders or linked projects and the memory starts over.
    static constexpr qsizetype kMaxFolders = 1024;
    static inline const QString kNoTokenForLinkedText =
        QStringLiteral("No Vercel token: the deployments of linked projects are not shown");
    static QString linkedFailureText(const QString& projectId, const QString& reason);

    // `home` ends the search for link files where no repository does.
    DeploymentsFeed(AppState* state, QThreadPool* pool, QString apiOrigin, QString home,
                    QObject* parent = nullptr);

    // Starts the polling, when there is a token; a one-off run of the command line never polls.
    void startPolling();
    // The wait between two polls now; 0 when not polling.
    int pollIntervalMs() const;
    // What each poll does: the projects while the tab shows; otherwise, while the "Deployment finished"
    // switch is on, the projects and the account, and the linked rows are asked to look again.
    void poll();
    bool isFetchingProjects() const { return m_fetchingProjects; }
    bool isFetchingLinked() const { return m_linkedInFlight > 0; }

    // The project `folder` is linked to, with its latest deployments; absent until known and whenever
    // nothing is to be shown. Asking starts the reads and the fetch it needs; `linkedChanged` says when
    // to ask again.
    std::optional<ProjectObject> projectFor(const QString& folder);
    // The linked project of this id: from the chosen account's projects, else fetched by its id at most
    // once a minute.
    std::optional<ProjectObject> linkedProject(const QString& projectId);
    // The dashboard page of the project's deployments, once the account is known.
    std::optional<QUrl> deploymentsPage(const ProjectObject& project) const;

    // Seam for tests: the minute of the polls outside the tab and of the refetch of linked projects.
    void setIntervals(int idlePollMs, int linkedRefetchMs);

signals:
    // Something a server's row may show has changed, or is worth asking for again.
    void linkedChanged();

private:
    struct FolderLink
    {
        std::optional<VercelProjectLink> link;
        qint64 readAtMs = 0;
        bool known = false;
        bool reading = false;
    };
    struct FetchedProject
    {
        std::optional<ProjectObject> project;
        qint64 fetchedAtMs = 0;
        bool asked = false;
        bool inFlight = false;
        bool failureSaid = false;
    };

    bool tabShows() const;
    void viewChanged();
    void teamWritten();
    void fetchProjects();
    // The user and the teams when missing: for the tab at once and always the teams (its menu lists
    // them); otherwise at most once a minute, and the teams only for a chosen team's links.
    void fetchAccount(bool forTab);
    void failed(const QString& reason);
    std::optional<VercelProjectLink> linkFor(const QString& folder);

    AppState* m_state;
    QThreadPool* m_pool;
    VercelClient m_client;
    QString m_home;
    QTimer m_pollTimer;
    int m_idlePollMs = kIdlePollMs;
    int m_linkedRefetchMs = kIdlePollMs;
    QElapsedTimer m_clock;
    bool m_fetchingProjects = false;
    bool m_fetchingUser = false;
    bool m_fetchingTeams = false;
    bool m_tabShown = false;
    bool m_windowOpen = false;
    qint64 m_accountAskedAtMs = -1;
    QHash<QString, FolderLink> m_folders;
    QHash<QString, FetchedProject> m_linked;
    int m_linkedInFlight = 0;
    bool m_noTokenSaid = false;
    // The chosen account, as last seen.
    std::optional<QString> m_team;
    // Bumped when the team changes, so that linked replies for the former one are dropped.
    int m_generation = 0;
};

} // namespace tidewell
