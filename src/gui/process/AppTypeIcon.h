#pragma once

#include "gui/widgets/AssetIcon.h"
#include "records/AppType.h"

namespace tidewell {

// The badge of the web framework a page was built with, or nothing when it is unknown.
class AppTypeIcon : public AssetIcon
{
    Q_OBJECT
public:
    explicit AppTypeIcon(AppType appType, int side = 28, QWidget* parent = nullptr);
};

} // namespace tidewell
