#pragma once

#include "records/AppType.h"

#include <QString>

namespace tidewell {

// An editor's own helper process: listed, but never offered a stop button.
bool isEditorProcess(const QString& processName);
// The image asset drawn beside a process, or empty for none: the runtime's ("node", "bun",
// "python") where it is known, otherwise by the listed name, case-sensitive.
QString processIconName(const QString& processName, const QString& runtime = {});
// The image asset of an app-type badge, or empty for none.
QString appTypeIconName(AppType appType);

} // namespace tidewell
