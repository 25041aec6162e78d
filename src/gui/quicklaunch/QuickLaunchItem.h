#pragma once

#include "gui/process/AppServices.h"
#include "quicklaunch/QuickLaunchItemData.h"

#include <QWidget>
#include <optional>

class QLabel;
class QToolButton;

namespace tidewell {

class RowHoverLook;
class FailureLine;
class DelayPopover;

// One saved server as a row: its title, its command with its product marks, the port it runs or
// last ran on, and buttons to delete it or start it again. While a listed server stands for it (the
// same folder and command), the row says so, and play opens that server's page instead of starting
// a second copy; its details then offer to stop it.
class QuickLaunchItem : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kPopoverDelayMs = 500;
    static constexpr int kIconSide = 14;

    QuickLaunchItem(QuickLaunchItemPtr item, const AppServices* services, QWidget* parent = nullptr);

    const QuickLaunchItemPtr& item() const { return m_item; }
    DelayPopover* popover() const { return m_popover; }
    RowHoverLook* rowHoverLook() const { return m_rowHoverLook; }

    // The server that runs for it now, as the port list last showed it.
    const std::optional<PortData>& runningServer() const { return m_running; }
    // Marks the row by the server among `listed` that runs for it, if any. The list calls it for all
    // its rows with one copy of the port list whenever that changes.
    void showRunning(const QList<PortData>& listed);

    // The buttons' and the keyboard's actions.
    void relaunch();
    void remove();
    void copyCommand();
    void showDetails();

private:
    QWidget* makeDetails();

    QuickLaunchItemPtr m_item;
    std::optional<PortData> m_running;
    QLabel* m_port = nullptr;
    QLabel* m_runningMark = nullptr;
    QToolButton* m_play = nullptr;
    FailureLine* m_failure = nullptr;
    const AppServices* m_services;
    DelayPopover* m_popover = nullptr;
    RowHoverLook* m_rowHoverLook = nullptr;
};

} // namespace tidewell
