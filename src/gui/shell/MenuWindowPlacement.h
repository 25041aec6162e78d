#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace tidewell {

// Where the drop-down window goes: centred under its tray icon, or above it when the tray sits
// in the lower half of the screen, and always wholly inside the screen's available area.
class MenuWindowPlacement
{
public:
    static constexpr int kGap = 4;
    static constexpr int kScreenMargin = 4;

    // Without a known icon position the caller passes where the pointer was, as if the icon were
    // there. `availableRect` is the screen less its panels.
    static QPoint position(const QRect& iconRect, const QSize& windowSize, const QRect& availableRect);
};

} // namespace tidewell
