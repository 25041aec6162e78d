#pragma once

#include "platform/TrayHostPresence.h"

#include <QDBusConnection>

class QDBusServiceWatcher;

namespace tidewell {

// The panels that host StatusNotifierItems (KDE Plasma, GNOME's AppIndicator extension, waybar),
// seen through their watcher's name on the session bus: present while some program owns
// org.kde.StatusNotifierWatcher. An XEmbed tray is not seen here.
class StatusNotifierWatcherPresence : public TrayHostPresence
{
    Q_OBJECT
public:
    static inline const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");

    explicit StatusNotifierWatcherPresence(const QDBusConnection& bus, QObject* parent = nullptr);

private:
    QDBusServiceWatcher* m_watcher;
};

} // namespace tidewell
