#pragma once

#include "records/AppType.h"

#include <QString>

namespace tidewell {

// An editor's own helper process: listed, but never offered a stop button.
bool isEditorProcess(const QString& processName);
// The image asset drawn beside a process, or empty for none. Case-sensitive on the listed name.
QString processIconName(const QString& processName);
// The image asset of an app-type badge, or empty for none.
QString appTypeIconName(AppType appType);

} // namespace tidewell
