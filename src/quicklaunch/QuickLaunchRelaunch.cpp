#include "quicklaunch/QuickLaunchRelaunch.h"

#include "platform/Desktop.h"

namespace tidewell {

void relaunchQuickLaunchItem(const QuickLaunchItemData& item, Desktop& desktop)
{
    const auto info = item.processInfo();
    desktop.runInNewTerminal(info ? info->cwd : QString(), info ? info->cmd : QString());
}

} // namespace tidewell
