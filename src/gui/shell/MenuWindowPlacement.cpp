#include "gui/shell/MenuWindowPlacement.h"

#include <algorithm>

namespace tidewell {

QPoint MenuWindowPlacement::position(const QRect& iconRect, const QSize& windowSize, const QRect& screenRect)
{
    const bool above = iconRect.center().y() > screenRect.center().y();
    int x = iconRect.center().x() - windowSize.width() / 2;
    int y = above ? iconRect.top() - kGap - windowSize.height() : iconRect.bottom() + 1 + kGap;
    // A small margin keeps the window off the screen's edges; a window larger than the screen
    // keeps its top left corner visible.
    const QRect area = screenRect.adjusted(kScreenMargin, kScreenMargin, -kScreenMargin, -kScreenMargin);
    x = std::max(area.left(), std::min(x, area.right() + 1 - windowSize.width()));
    y = std::max(screenRect.top(), std::min(y, area.bottom() + 1 - windowSize.height()));
    return {x, y};
}

} // namespace tidewell
