#pragma once

#include "quicklaunch/QuickLaunchItemData.h"
#include "state/AppServices.h"

#include <QWidget>

namespace tidewell {

class CursorModifier;
class DelayPopover;

// One saved server as a row: its title, its command with its product marks, and buttons to
// delete it or start it again. It shows what was saved, not whether the server runs now.
class QuickLaunchItem : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kPopoverDelayMs = 500;
    static constexpr int kIconSide = 14;

    QuickLaunchItem(QuickLaunchItemPtr item, const AppServices* services, QWidget* parent = nullptr);

    const QuickLaunchItemPtr& item() const { return m_item; }
    DelayPopover* popover() const { return m_popover; }
    CursorModifier* cursorModifier() const { return m_cursorModifier; }

    // The buttons' and the keyboard's actions.
    void relaunch();
    void remove();
    void copyCommand();
    void showDetails();

private:
    QuickLaunchItemPtr m_item;
    const AppServices* m_services;
    DelayPopover* m_popover = nullptr;
    CursorModifier* m_cursorModifier = nullptr;
};

} // namespace tidewell
