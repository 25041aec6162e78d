#pragma once

#include <QMenu>
#include <QPointer>

class QActionGroup;

namespace tidewell {

class AppState;

// The "Teams" submenu of the gear menu: "Personal" and each Vercel team by name, choosing whose
// projects the deployments tab shows. It is there only while the teams are known and the deployments
// tab is selected; a choice is stored at once, and the chosen entry is checked.
class TeamsMenu : public QMenu
{
    Q_OBJECT
public:
    explicit TeamsMenu(AppState* state, QWidget* parent = nullptr);

private:
    void rebuild();
    void updatePresence();
    void markChosen();

    AppState* m_state;
    QPointer<QActionGroup> m_choices;
};

} // namespace tidewell
