#include "gui/deployments/DeploymentsTab.h"

#include "deployments/VercelClient.h"
#include "deployments/VercelDashboard.h"
#include "deployments/VercelOrigins.h"
#include "gui/deployments/ProjectView.h"
#include "gui/widgets/AnimatedRowList.h"
#include "gui/widgets/FailureLine.h"
#include "gui/widgets/PlainTextLabel.h"
#include "gui/widgets/RowHoverLook.h"
#include "gui/widgets/StandardWidgets.h"
#include "platform/LogCategories.h"
#include "state/AppState.h"

#include <QJsonDocument>
#include <QLabel>
#include <QSet>
#include <QVBoxLayout>

namespace tidewell {

namespace {

// A row stands for the whole project value: a project whose data changed leaves, and its new form
// arrives, as rows do elsewhere in the window.
QStringList keysOf(const QList<ProjectObject>& projects)
{
    QStringList keys;
    QSet<QString> seen;
    for (const ProjectObject& project : projects) {
        QString key = QString::fromUtf8(QJsonDocument(project.toJson()).toJson(QJsonDocument::Compact));
        // Two identical entries in one reply still get a row each.
        while (seen.contains(key))
            key += QLatin1Char(' ');
        seen.insert(key);
        keys.append(key);
    }
    return keys;
}

} // namespace

DeploymentsTab::DeploymentsTab(const AppServices* services, QWidget* parent)
    : QWidget(parent), m_services(services), m_account(new PlainTextLabel(this)),
      m_noToken(makePlaceholderLabel(VercelClient::kNoTokenText, "noToken", this)),
      m_noProjects(makePlaceholderLabel(tr("No projects"), "noProjects", this)),
      m_list(new AnimatedRowList(RowSlot::Slide::fromTrailing, RowSlot::Slide::towardLeading, this)),
      m_messageLabel(new PlainTextLabel(this))
{
    setObjectName(QStringLiteral("vercelTab"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // Our own text: its backticked part shows as code.
    m_noToken->setTextFormat(Qt::MarkdownText);
    m_noToken->setWordWrap(true);
    m_account->setObjectName(QStringLiteral("account"));
    m_account->setContentsMargins(RowHoverLook::kHorizontalPadding, 4, RowHoverLook::kHorizontalPadding, 2);
    useSecondaryColour(m_account);
    layout->addWidget(m_account);
    layout->addWidget(m_noToken);
    layout->addWidget(m_noProjects);
    layout->addWidget(m_list);

    m_messageLabel->setObjectName(QStringLiteral("message"));
    m_messageLabel->setAlignment(Qt::AlignCenter);
    QFont small = m_messageLabel->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    m_messageLabel->setFont(small);
    useSecondaryColour(m_messageLabel);
    m_messageLabel->hide();
    layout->addWidget(m_messageLabel);
    m_failure = new FailureLine(this);
    m_failure->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_failure);

    AppState* state = m_services->state;
    connect(state, &AppState::projectDataChanged, this, &DeploymentsTab::refreshDisplay);
    connect(state, &AppState::selectedTeamWritten, this, &DeploymentsTab::refreshDisplay);
    connect(state, &AppState::isVisibleChanged, m_list, &AnimatedRowList::setAnimated);
    connect(state, &AppState::deploymentsFailureChanged, this, &DeploymentsTab::showFailure);
    m_list->setAnimated(state->isVisible());
    for (const auto changed :
         {&AppState::userDataChanged, &AppState::teamsDataChanged, &AppState::selectedTeamWritten})
        connect(state, changed, this, &DeploymentsTab::showAccount);
    showAccount();
    showFailure();
    refreshDisplay();
}

DeploymentsTab::Display DeploymentsTab::display() const
{
    const AppState* state = m_services->state;
    if (!state->vercelToken())
        return Display::noToken;
    const auto& projects = state->projectData();
    return projects && !projects->projects.isEmpty() ? Display::projects : Display::noProjects;
}

void DeploymentsTab::refreshDisplay()
{
    const Display shown = display();
    m_noToken->setVisible(shown == Display::noToken);
    m_noProjects->setVisible(shown == Display::noProjects);
    m_list->setVisible(shown == Display::projects);
    const QList<ProjectObject> projects =
        shown == Display::projects ? m_services->state->projectData()->projects : QList<ProjectObject>();
    const QStringList keys = keysOf(projects);
    m_list->setRows(
        keys,
        [this, &projects, &keys](const QString& key) {
            auto* row = new ProjectView(projects.at(keys.indexOf(key)));
            const ProjectObject project = row->data();
            connect(row, &ProjectView::clicked, this, [this, project] { openProjectDeployments(project); });
            return row;
        },
        [](QWidget*, const QString&) { return true; });
    const QDateTime now = QDateTime::currentDateTime();
    for (ProjectView* row : projectRows())
        row->refreshTime(now);
}

QList<ProjectView*> DeploymentsTab::projectRows() const
{
    QList<ProjectView*> rows;
    for (QWidget* row : m_list->rows())
        rows.append(qobject_cast<ProjectView*>(row));
    return rows;
}

void DeploymentsTab::openProjectDeployments(const ProjectObject& project)
{
    const AppState* state = m_services->state;
    if (!state->userData())
        return;
    const QString account =
        VercelDashboard::accountName(*state->userData(), state->teamsData(), state->selectedTeam());
    qCDebug(lcDeployments).noquote() << (QStringLiteral("proj.name ") + account);
    m_services->desktop->openUrl(
        VercelDashboard::deploymentsPage(VercelOrigins::dashboardOrigin(), account, project.name),
        m_failure->startAction());
}

void DeploymentsTab::showFailure()
{
    const QString& failure = m_services->state->deploymentsFailure();
    m_messageLabel->setText(failure);
    m_messageLabel->setVisible(!failure.isEmpty());
}

QString DeploymentsTab::accountText() const
{
    const AppState* state = m_services->state;
    const std::optional<QString> team = state->selectedTeam();
    if (!team)
        return state->userData() ? state->userData()->user.username : tr("Personal");
    if (const auto& teams = state->teamsData()) {
        for (const Team& known : teams->teams) {
            if (known.id == *team || known.slug == *team)
                return known.name;
        }
    }
    return *team;
}

void DeploymentsTab::showAccount()
{
    m_account->setText(accountText());
    m_account->setVisible(m_services->state->vercelToken().has_value());
}

} // namespace tidewell
