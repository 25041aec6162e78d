#include "gui/deployments/TeamsMenu.h"

#include "gui/widgets/SymbolIcons.h"
#include "state/AppState.h"

namespace tidewell {

TeamsMenu::TeamsMenu(AppState* state, QWidget* parent) : QMenu(parent), m_state(state)
{
    setObjectName(QStringLiteral("teamsMenu"));
    setTitle(QStringLiteral("Teams"));
    setIcon(SymbolIcons::symbol(QStringLiteral("person.2.fill")));
    connect(state, &AppState::teamsDataChanged, this, &TeamsMenu::rebuild);
    connect(state, &AppState::selectedTabChanged, this, &TeamsMenu::updatePresence);
    rebuild();
}

void TeamsMenu::rebuild()
{
    clear();
    addAction(QStringLiteral("Personal"), this, [this] { m_state->setSelectedTeam(std::nullopt); });
    if (const auto& teams = m_state->teamsData()) {
        for (const Team& team : teams->teams) {
            // A menu item reads "&" as the mark of its shortcut letter; a team name is shown as named.
            QString label = team.name;
            label.replace(QLatin1Char('&'), QStringLiteral("&&"));
            const QString id = team.id;
            addAction(label, this, [this, id] { m_state->setSelectedTeam(id); });
        }
    }
    updatePresence();
}

void TeamsMenu::updatePresence()
{
    menuAction()->setVisible(m_state->teamsData().has_value() &&
                             m_state->selectedTab() == SelectedTab::vercel);
}

} // namespace tidewell
