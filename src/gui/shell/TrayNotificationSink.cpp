#include "gui/shell/TrayNotificationSink.h"

#include "gui/shell/TidewellMenu.h"
#include "platform/LogCategories.h"
#include "platform/NotificationBody.h"

namespace tidewell {

TrayNotificationSink::TrayNotificationSink(TidewellMenu* item, std::shared_ptr<Desktop> desktop,
                                           QObject* parent)
    : QObject(parent), m_item(item), m_desktop(std::move(desktop))
{}

void TrayNotificationSink::show(const Notification& notification)
{
    QSystemTrayIcon* tray = m_item->trayIcon();
    if (!tray || !QSystemTrayIcon::supportsMessages()) {
        if (!std::exchange(m_toldUnavailable, true))
            qCWarning(lcDesktop).noquote()
                << (QStringLiteral("No notification service found: notifications are not shown."));
        return;
    }
    if (m_connectedTray != tray) {
        connect(tray, &QSystemTrayIcon::messageClicked, this, &TrayNotificationSink::clicked);
        m_connectedTray = tray;
    }
    m_lastLink = notification.link;
    // A notification title is never read as markup; a body may be.
    tray->showMessage(notification.title, NotificationBody::fromPlainText(notification.message),
                      tray->icon());
}

void TrayNotificationSink::clicked()
{
    if (m_lastLink) {
        // The notification was where the action was: a link that cannot be opened says so there.
        m_desktop->openUrl(*m_lastLink, [this](const QString& reason) {
            // A click on this message opens the window rather than trying the link again.
            m_lastLink.reset();
            if (QSystemTrayIcon* tray = m_item->trayIcon())
                tray->showMessage(tr("Could not open the deployment"),
                                  NotificationBody::fromPlainText(reason), tray->icon());
        });
    } else
        m_item->setMenuPresented(true);
}

} // namespace tidewell
