#pragma once

#include <QString>

#include <functional>
#include <optional>

namespace tidewell {

// The credential file the Vercel command-line tool writes on `vercel login`: "auth.json" in its
// folder "com.vercel.cli" under the user's data location (~/Library/Application Support on macOS,
// $XDG_DATA_HOME or ~/.local/share on Linux). Read only, synchronously, on the calling thread.
class VercelCredentialFile
{
public:
    static constexpr qint64 kMaxFileBytes = 1024 * 1024;

    // The file's path under `dataLocation`, or under the first writable generic data location when
    // that is empty; empty when the platform reports no such location.
    static QString path(const QString& dataLocation = {});

    // The token exactly as stored, or absent. A missing, unreadable or malformed file is reported as
    // one "Error reading or parsing auth.json: " warning; no data location at all is reported
    // nowhere. The token itself is never part of what is logged.
    static std::optional<QString> readVercelToken(const QString& dataLocation = {});
};

} // namespace tidewell
