#pragma once

#include <QString>
#include <QtGlobal>

namespace tidewell {

// What tells a listed process apart from a later one that gets its pid: the start time the host
// reported when it was listed, and on hosts that show it, the listening socket it held then.
struct ProcessIdentity
{
    QString pid;
    // In the host's own form: clock ticks after boot from /proc, or the `ps -o lstart=` text.
    // Empty when it could not be read, which no live process matches.
    QString startTime;
    quint64 socketInode = 0; // 0 when the listing does not show it

    bool operator==(const ProcessIdentity&) const = default;
};

} // namespace tidewell
