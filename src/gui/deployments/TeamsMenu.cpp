#include "gui/deployments/TeamsMenu.h"

#include "gui/widgets/SymbolIcons.h"
#include "state/AppState.h"

#include <QActionGroup>

namespace tidewell {

TeamsMenu::TeamsMenu(AppState* state, QWidget* parent) : QMenu(parent), m_state(state)
{
    setObjectName(QStringLiteral("teamsMenu"));
    setTitle(tr("Teams"));
    setAccessibleName(tr("Teams"));
    setAccessibleDescription(tr("Whose Vercel projects the deployments tab shows"));
    setIcon(SymbolIcons::symbol(QStringLiteral("person.2.fill")));
    connect(state, &AppState::teamsDataChanged, this, &TeamsMenu::rebuild);
    connect(state, &AppState::selectedTabChanged, this, &TeamsMenu::updatePresence);
    connect(state, &AppState::selectedTeamWritten, this, &TeamsMenu::markChosen);
    rebuild();
}

void TeamsMenu::rebuild()
{
    clear();
    delete m_choices;
    // One entry is checked: the account the deployments tab shows.
    m_choices = new QActionGroup(this);
    const auto addChoice = [this](const QString& label, const std::optional<QString>& team) {
        QAction* action = addAction(label, this, [this, team] { m_state->setSelectedTeam(team); });
        action->setCheckable(true);
        action->setData(team ? QVariant(*team) : QVariant());
        m_choices->addAction(action);
    };
    addChoice(tr("Personal"), std::nullopt);
    if (const auto& teams = m_state->teamsData()) {
        for (const Team& team : teams->teams) {
            // A menu item reads "&" as the mark of its shortcut letter; a team name is shown as named.
            QString label = team.name;
            label.replace(QLatin1Char('&'), QStringLiteral("&&"));
            addChoice(label, team.id);
        }
    }
    markChosen();
    updatePresence();
}

void TeamsMenu::markChosen()
{
    const std::optional<QString> chosen = m_state->selectedTeam();
    for (QAction* action : m_choices->actions())
        action->setChecked(chosen ? action->data().toString() == *chosen : action->data().isNull());
}

void TeamsMenu::updatePresence()
{
    menuAction()->setVisible(m_state->teamsData().has_value() &&
                             m_state->selectedTab() == SelectedTab::vercel);
}

} // namespace tidewell
