#include "platform/linux/StatusNotifierWatcherPresence.h"

#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>

namespace tidewell {

StatusNotifierWatcherPresence::StatusNotifierWatcherPresence(const QDBusConnection& bus, QObject* parent)
    : TrayHostPresence(parent),
      m_watcher(new QDBusServiceWatcher(
          kWatcherService, bus,
          QDBusServiceWatcher::WatchForRegistration | QDBusServiceWatcher::WatchForUnregistration, this))
{
    const QDBusConnectionInterface* daemon = bus.isConnected() ? bus.interface() : nullptr;
    setPresent(daemon && daemon->isServiceRegistered(kWatcherService).value());
    connect(m_watcher, &QDBusServiceWatcher::serviceRegistered, this, [this] { setPresent(true); });
    connect(m_watcher, &QDBusServiceWatcher::serviceUnregistered, this, [this] { setPresent(false); });
}

} // namespace tidewell
