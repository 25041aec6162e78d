#pragma once

#include "gui/widgets/AssetIcon.h"

namespace tidewell {

// The product mark of a listening process (node, bun, python, the two editors), or nothing: its
// runtime's where the scan knows it, so that a process that renamed itself keeps its mark.
class ProcessIcon : public AssetIcon
{
    Q_OBJECT
public:
    ProcessIcon(const QString& processName, const QString& runtime, int side = 28, QWidget* parent = nullptr);
};

} // namespace tidewell
