#pragma once

#include "records/Result.h"

#include <QString>

namespace tidewell {

// The folder of the user's own where downloaded updates are kept: no other account can write into
// it, so a file found there by name is one this user downloaded. Safe to call from any thread.
namespace DownloadFolder {

// On Linux a folder under the user's cache location; on macOS the per-user temporary folder.
// Empty when the host names no such place.
QString userFolder();

// Creates `path` (mode 0700) when it is missing and makes sure it is a real folder owned by this
// user that only this user can enter; gives the folder's absolute path.
Result<QString> prepare(const QString& path);

} // namespace DownloadFolder

} // namespace tidewell
