#pragma once

#include "deployments/VercelClient.h"
#include "state/AppServices.h"

#include <QList>
#include <QTimer>
#include <QWidget>

#include <optional>

class QLabel;

namespace tidewell {

class AnimatedRowList;
class FailureLine;
class ProjectView;

// The deployments tab: the latest deployment of up to four Vercel projects of the chosen account,
// kept current by polling every two seconds while the window is open on this tab, with at most one
// projects request in flight. Shown for the first time it also loads the user and the teams, which
// the "Teams" menu and the dashboard links need. Everything runs on the interface thread.
class DeploymentsTab : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kPollIntervalMs = 2000;

    enum class Display
    {
        noToken,
        projects,
        noProjects
    };

    explicit DeploymentsTab(const AppServices* services, QWidget* parent = nullptr);

    Display display() const;
    QList<ProjectView*> projectRows() const;
    // Whose projects are shown: the user's name for the personal account, else the team's name.
    QString accountText() const;
    // The last failure text, shown under the list until the next successful projects fetch.
    QString message() const { return m_message; }
    bool isFetchingData() const { return m_fetchingData; }
    // What each tick of the two-second timer does: fetch, if the window is open on this tab and no
    // projects request is in flight.
    void poll();

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool isCurrentTab() const;
    void fetchAccountData();
    void fetchProjects();
    void visibilityChanged(bool visible);
    void refreshDisplay();
    void noticeTeamChange();
    void openProjectDeployments(const ProjectObject& project);
    void setMessage(const QString& message);
    void showAccount();

    const AppServices* m_services;
    VercelClient m_client;
    QTimer m_timer;
    bool m_fetchingData = false;
    std::optional<QString> m_previousTeam;
    QString m_message;

    QLabel* m_account;
    QLabel* m_noToken;
    QLabel* m_noProjects;
    AnimatedRowList* m_list;
    QLabel* m_messageLabel;
    FailureLine* m_failure;
};

} // namespace tidewell
