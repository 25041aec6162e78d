#pragma once

#include "platform/ListeningSocket.h"

namespace tidewell {

// Lists every TCP socket in LISTEN state that the user may see, in the order lsof prints them.
// Implementations are called from worker threads and share no state between calls.
class ListeningSocketSource
{
public:
    virtual ~ListeningSocketSource() = default;
    virtual QList<ListeningSocket> listeningSockets() = 0;
};

} // namespace tidewell
