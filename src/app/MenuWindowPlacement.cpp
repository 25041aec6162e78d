#include "MenuWindowPlacement.h"

#include <algorithm>

namespace tidewell {

QPoint MenuWindowPlacement::position(const QRect& iconRect, const QSize& windowSize, const QRect& screenRect)
{
    const bool above = iconRect.center().y() > screenRect.center().y();
    int x = iconRect.center().x() - windowSize.width() / 2;
    int y = above ? iconRect.top() - kGap - windowSize.height() : iconRect.bottom() + 1 + kGap;
    // A window larger than the screen keeps its top left corner visible.
    x = std::max(screenRect.left(), std::min(x, screenRect.right() + 1 - windowSize.width()));
    y = std::max(screenRect.top(), std::min(y, screenRect.bottom() + 1 - windowSize.height()));
    return {x, y};
}

} // namespace tidewell
