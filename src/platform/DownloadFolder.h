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

// The name a download gets when its address gives none that is safe: a disk image on macOS, a
// Debian package elsewhere, as the program is shipped there.
QString defaultFileName();

// Whether `path` itself (a link is not followed) is a regular file owned by this user with no
// other name: one this user's download put there, which may be opened or replaced.
bool isOwnFile(const QString& path);

// Moves the complete file `from` (in `folder`) to `folder`/`name`. An own file of that name is
// replaced in one step; anything else there (a link, a folder, another user's file, a file with a
// second name) is left alone and the file takes the first free name "stem-N.ext" instead. Gives the
// path it took, or the system's reason it could not be moved.
Result<QString> placeFile(const QString& from, const QString& folder, const QString& name);

// Creates `path` (mode 0700) when it is missing and makes sure it is a real folder owned by this
// user that only this user can enter; gives the folder's absolute path.
Result<QString> prepare(const QString& path);

} // namespace DownloadFolder

} // namespace tidewell
