#pragma once

#include "quicklaunch/QuickLaunchItemData.h"

#include <functional>

namespace tidewell {

class Desktop;

// Starts a saved server again in a new terminal window: into its folder, then its command, each
// saved argument as one word when the arguments were saved. An item saved without an origin
// still opens the window, with an empty folder and command.
void relaunchQuickLaunchItem(const QuickLaunchItemData& item, Desktop& desktop,
                             std::function<void(const QString&)> onFailure = {});

} // namespace tidewell
