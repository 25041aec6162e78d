#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace tidewell {

// Reads small files that anyone may have put in a folder (a repository's HEAD, a project's link
// file) without letting them hold up or flood the reader. Callable from any thread.
class RegularFile
{
public:
    // The first `maxBytes` of the file at `path`, or nothing when it cannot be opened or is not a
    // regular file. The open does not wait (a FIFO with no writer would block it for ever) and
    // anything but a regular file is refused before a byte is read.
    static std::optional<QByteArray> readStart(const QString& path, qsizetype maxBytes);
};

} // namespace tidewell
