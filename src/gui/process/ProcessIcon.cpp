#include "gui/process/ProcessIcon.h"

#include "process/ProcessClassifier.h"

namespace tidewell {

ProcessIcon::ProcessIcon(const QString& processName, const QString& runtime, int side, QWidget* parent)
    : AssetIcon(processIconName(processName, runtime), side, parent)
{
    setObjectName(QStringLiteral("processIcon"));
}

} // namespace tidewell
