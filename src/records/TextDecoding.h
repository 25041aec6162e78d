#pragma once

#include <QByteArray>
#include <QString>

namespace tidewell {

// Tool output is used only when all of it is valid UTF-8; anything else counts as empty text.
QString decodeUtf8OrEmpty(const QByteArray& bytes);
bool isValidUtf8(const QByteArray& bytes);

} // namespace tidewell
