#include "quicklaunch/RunningServer.h"

#include <algorithm>

namespace tidewell {

namespace {

bool sameOrigin(const PortDataLike& a, const PortDataLike& b)
{
    const auto first = a.processInfo();
    const auto second = b.processInfo();
    return first && second && first->cwd == second->cwd && first->cmd == second->cmd;
}

} // namespace

std::optional<PortData> runningServerFor(const PortDataLike& saved, const QList<PortData>& listed)
{
    const auto found = std::find_if(listed.cbegin(), listed.cend(),
                                    [&saved](const PortData& server) { return sameOrigin(saved, server); });
    return found == listed.cend() ? std::nullopt : std::optional(*found);
}

bool isSavedAsQuickLaunchItem(const PortDataLike& entry, const QList<QuickLaunchItemPtr>& items)
{
    return std::any_of(items.cbegin(), items.cend(),
                       [&entry](const QuickLaunchItemPtr& item) { return sameOrigin(entry, *item); });
}

} // namespace tidewell
