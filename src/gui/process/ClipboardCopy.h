#pragma once

#include <QString>

namespace tidewell {

// Replaces the clipboard's contents with one plain-text item.
void copyToClipboard(const QString& text);

} // namespace tidewell
