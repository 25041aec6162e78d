#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace tidewell {

// Where the drop-down window goes: centred under its tray icon, or above it when the tray sits
// in the lower half of the screen, and always wholly on the screen.
class MenuWindowPlacement
{
public:
    static constexpr int kGap = 4;
    static constexpr int kScreenMargin = 4;

    // Without a known icon position the window goes to the pointer, as if the icon were there.
    static QPoint position(const QRect& iconRect, const QSize& windowSize, const QRect& screenRect);
};

} // namespace tidewell
