#include "platform/linux/FreedesktopNotifications.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#include <QStringList>

namespace tidewell::FreedesktopNotifications {

namespace {

// Qt sends tray messages through D-Bus exactly when this holds; otherwise it draws its own balloon.
bool hasStatusNotifierHost(const QDBusConnection& bus)
{
    const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
    if (!bus.interface() || !bus.interface()->isServiceRegistered(watcher))
        return false;
    QDBusInterface properties(watcher, QStringLiteral("/StatusNotifierWatcher"), watcher, bus);
    return properties.property("IsStatusNotifierHostRegistered").toBool();
}

} // namespace

bool bodyReadsMarkup()
{
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !hasStatusNotifierHost(bus))
        return false;
    QDBusInterface notifications(QStringLiteral("org.freedesktop.Notifications"),
                                 QStringLiteral("/org/freedesktop/Notifications"),
                                 QStringLiteral("org.freedesktop.Notifications"), bus);
    const QDBusReply<QStringList> capabilities = notifications.call(QStringLiteral("GetCapabilities"));
    return capabilities.isValid() && capabilities.value().contains(QStringLiteral("body-markup"));
}

} // namespace tidewell::FreedesktopNotifications
