#include "gui/shell/MenuWindowPlacement.h"

#include <algorithm>

namespace tidewell {

QPoint MenuWindowPlacement::position(const QRect& iconRect, const QSize& windowSize,
                                     const QRect& availableRect)
{
    const bool above = iconRect.center().y() > availableRect.center().y();
    int x = iconRect.center().x() - windowSize.width() / 2;
    int y = above ? iconRect.top() - kGap - windowSize.height() : iconRect.bottom() + 1 + kGap;
    // A small margin keeps the window off the area's edges (and off the panels, which the area
    // leaves out); a window larger than the area keeps its top left corner visible.
    const QRect area = availableRect.adjusted(kScreenMargin, kScreenMargin, -kScreenMargin, -kScreenMargin);
    x = std::max(area.left(), std::min(x, area.right() + 1 - windowSize.width()));
    y = std::max(area.top(), std::min(y, area.bottom() + 1 - windowSize.height()));
    return {x, y};
}

} // namespace tidewell
