#pragma once

#include <QString>
#include <optional>

namespace tidewell {

// The build status of a Vercel deployment, carried as one of six upper-case JSON strings.
enum class ReadyState
{
    building,
    error,
    initializing,
    queued,
    ready,
    canceled
};

// "BUILDING", "ERROR", ...: the service's spelling.
QString readyStateText(ReadyState state);
// Absent for any text outside the six.
std::optional<ReadyState> readyStateFromText(const QString& text);

} // namespace tidewell
