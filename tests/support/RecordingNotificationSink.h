#pragma once

#include "notifications/NotificationSink.h"

#include <QStringList>

namespace tidewell::test {

// A notification sink that shows nothing and records each notification as one line:
// "title|message|link", the link empty when a click opens the window.
class RecordingNotificationSink : public NotificationSink
{
public:
    QStringList shown;

    void show(const Notification& notification) override
    {
        shown.append(notification.title + u'|' + notification.message + u'|' +
                     (notification.link ? QString::fromUtf8(notification.link->toEncoded()) : QString()));
    }
};

} // namespace tidewell::test
