#include "gui/process/AppTypeIcon.h"

#include "process/ProcessClassifier.h"

namespace tidewell {

AppTypeIcon::AppTypeIcon(AppType appType, int side, QWidget* parent)
    : AssetIcon(appTypeIconName(appType), side, parent)
{
    setObjectName(QStringLiteral("appTypeIcon"));
}

} // namespace tidewell
