#include "gui/process/ProcessIcon.h"

#include "process/ProcessClassifier.h"

namespace tidewell {

ProcessIcon::ProcessIcon(const QString& processName, int side, QWidget* parent)
    : AssetIcon(processIconName(processName), side, parent)
{
    setObjectName(QStringLiteral("processIcon"));
}

} // namespace tidewell
