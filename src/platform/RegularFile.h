#pragma once

#include "records/Result.h"

#include <QByteArray>
#include <QString>

namespace tidewell {

// The one reader of files a user or anyone else may have put where the program looks (the settings
// file, the Vercel tool's credential file, a project's link file, a repository's HEAD): it never
// lets them hold up or flood the program. Callable from any thread.
class RegularFile
{
public:
    // The whole file at `path`, or why it was not read: the system's reason when it cannot be
    // opened ("No such file or directory"), "Not a regular file" for anything else (a FIFO, a
    // device, a folder), or "Larger than N bytes" past `maxBytes`. The open does not wait (a FIFO
    // with no writer would block it for ever) and nothing but a regular file is read from.
    static Result<QByteArray> read(const QString& path, qsizetype maxBytes);
    // Whether `path` may be read as `read` would, without reading it: true for a regular file within
    // `maxBytes`, false when nothing is there, and a failure with the reason otherwise.
    static Result<bool> check(const QString& path, qsizetype maxBytes);
};

} // namespace tidewell
