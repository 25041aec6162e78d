#pragma once

#include "deployments/VercelClient.h"
#include "deployments/VercelProjectLink.h"
#include "records/ProjectObject.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QTimer>
#include <QUrl>

#include <optional>

class QThreadPool;

namespace tidewell {

class AppState;

// What the deployments data knows of the Vercel project each server's folder is linked to. The
// tab's projects answer first; a project outside them is fetched by its id through the same client,
// for the chosen account, at most once a minute. Link files are read on the pool and remembered per
// folder. Nothing is shown without a token or for a project the account cannot see; each of those
// is said once, as a diagnostic line. Lives on the interface thread.
class LinkedDeployments : public QObject
{
    Q_OBJECT
public:
    static constexpr int kProjectRefetchMs = 60'000;
    static constexpr int kLinkRecheckMs = 30'000;
    // More than this many folders and the memory starts over.
    static constexpr qsizetype kMaxFolders = 1024;

    // `home` ends the search for link files where no repository does.
    LinkedDeployments(AppState* state, QThreadPool* pool, QString apiOrigin, QString home,
                      QObject* parent = nullptr);

    // The project `folder` is linked to, with its latest deployments; absent until known and
    // whenever nothing is to be shown. Asking starts the reads and the fetch it needs; `changed`
    // says when to ask again.
    std::optional<ProjectObject> projectFor(const QString& folder);
    // The dashboard page of the project's deployments, once the account is known.
    std::optional<QUrl> deploymentsPage(const ProjectObject& project) const;

    // Seams for tests: how long a fetched project and a folder's link are trusted.
    void setIntervals(int projectRefetchMs, int linkRecheckMs);

signals:
    // Something a server's row may show has changed, or is worth asking for again.
    void changed();

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

    std::optional<VercelProjectLink> linkFor(const QString& folder);
    std::optional<ProjectObject> fetchedProject(const QString& projectId);
    void fetchAccount();
    void teamChanged();

    AppState* m_state;
    QThreadPool* m_pool;
    VercelClient m_client;
    QString m_home;
    int m_projectRefetchMs = kProjectRefetchMs;
    int m_linkRecheckMs = kLinkRecheckMs;
    QElapsedTimer m_clock;
    QTimer m_timer;
    QHash<QString, FolderLink> m_folders;
    QHash<QString, FetchedProject> m_projects;
    // The chosen account, as last seen: its projects are the ones fetched.
    std::optional<QString> m_team;
    qint64 m_accountAskedAtMs = -1;
    bool m_noTokenSaid = false;
    bool m_accountFailureSaid = false;
    // Bumped when the team changes, so that replies for the former one are dropped.
    int m_generation = 0;
};

} // namespace tidewell
