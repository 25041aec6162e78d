#pragma once

#include "platform/ListeningSocket.h"

#include <optional>

namespace tidewell {

// Lists every TCP socket in LISTEN state that the user may see, in the order lsof prints them.
// Implementations may be called from several worker threads at once.
class ListeningSocketSource
{
public:
    virtual ~ListeningSocketSource() = default;
    virtual QList<ListeningSocket> listeningSockets() = 0;
    // The sorted inodes of the listening sockets, where the host gives them cheaply (a few tens of
    // microseconds): a change means a server started or stopped. Nothing where asking costs as
    // much as a listing.
    virtual std::optional<QList<quint64>> listeningInodes() { return std::nullopt; }
};

} // namespace tidewell
