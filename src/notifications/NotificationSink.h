#pragma once

#include "notifications/Notification.h"

namespace tidewell {

// Where notifications go: the desktop's notification service in the program, a recorder in tests.
// Called on the interface thread only; a sink without a service to show them drops them.
class NotificationSink
{
public:
    virtual ~NotificationSink() = default;
    virtual void show(const Notification& notification) = 0;
};

} // namespace tidewell
