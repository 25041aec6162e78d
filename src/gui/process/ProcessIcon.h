#pragma once

#include "gui/widgets/AssetIcon.h"

namespace tidewell {

// The product mark of a listening process (node, bun, python, the two editors), or nothing.
class ProcessIcon : public AssetIcon
{
    Q_OBJECT
public:
    explicit ProcessIcon(const QString& processName, int side = 28, QWidget* parent = nullptr);
};

} // namespace tidewell
