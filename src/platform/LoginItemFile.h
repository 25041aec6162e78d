#pragma once

#include "platform/LoginItemService.h"

#include <QByteArray>
#include <QString>

namespace tidewell {

// The one file that a file-based login item consists of (an autostart entry, a launch agent):
// the helper it runs, and writing or removing it.
namespace LoginItemFile {

// True when `program` is an executable file.
bool isProgram(const QString& program);
// Writes `text` to `path` in `folder`, creating the folder, replacing the file in one step so
// that a login reading it meanwhile never meets half of it.
LoginItemService::Change write(const QString& folder, const QString& path, const QByteArray& text);
// Removes the file; success when there is none.
LoginItemService::Change remove(const QString& path);

} // namespace LoginItemFile

} // namespace tidewell
