#pragma once

#include "notifications/NotificationSink.h"
#include "platform/Desktop.h"

#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>

#include <memory>
#include <optional>

namespace tidewell {

class TidewellMenu;

// Notifications as messages of the tray icon, which Qt hands to the desktop's notification service
// (on Linux the freedesktop one, when the tray is a status-notifier host). Where there is no tray or
// it shows no messages, they are dropped. A click on a message opens its page, or the window.
// Interface thread only.
class TrayNotificationSink : public QObject, public NotificationSink
{
    Q_OBJECT
public:
    // Both outlive the sink.
    TrayNotificationSink(TidewellMenu* item, std::shared_ptr<Desktop> desktop, QObject* parent = nullptr);

    void show(const Notification& notification) override;

private:
    void clicked();

    TidewellMenu* m_item;
    std::shared_ptr<Desktop> m_desktop;
    QPointer<QSystemTrayIcon> m_connectedTray;
    // The tray reports a click without saying on which message: the last one shown is meant.
    std::optional<QUrl> m_lastLink;
    bool m_toldUnavailable = false;
};

} // namespace tidewell
