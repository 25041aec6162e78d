#pragma once

#include "gui/process/AppServices.h"
#include "records/ProjectObject.h"

#include <QList>
#include <QWidget>

class QLabel;

namespace tidewell {

class AnimatedRowList;
class FailureLine;
class ProjectView;

// The deployments tab: the latest deployment of up to four Vercel projects of the chosen account, as
// the deployments feed stores them in the state (it polls every two seconds while this tab shows),
// and the last failure of the feed under them. Everything runs on the interface thread.
class DeploymentsTab : public QWidget
{
    Q_OBJECT
public:
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

private:
    void refreshDisplay();
    void openProjectDeployments(const ProjectObject& project);
    // The last failure text, shown under the list until the next successful projects fetch.
    void showFailure();
    void showAccount();

    const AppServices* m_services;

    QLabel* m_account;
    QLabel* m_noToken;
    QLabel* m_noProjects;
    AnimatedRowList* m_list;
    QLabel* m_messageLabel;
    FailureLine* m_failure;
};

} // namespace tidewell
