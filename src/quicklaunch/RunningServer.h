#pragma once

#include "quicklaunch/QuickLaunchItemData.h"
#include "records/PortData.h"

#include <QList>
#include <optional>

namespace tidewell {

// The listed server a saved entry stands for: one started in the same folder with the same command
// line. Nothing while no such server is listed.
std::optional<PortData> runningServerFor(const PortDataLike& saved, const QList<PortData>& listed);
// Whether a quick-launch item with the entry's folder and command line is saved already.
bool isSavedAsQuickLaunchItem(const PortDataLike& entry, const QList<QuickLaunchItemPtr>& items);

} // namespace tidewell
