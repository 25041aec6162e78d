#include "platform/TrayHostPresence.h"

#include <QtGlobal>

#ifdef Q_OS_LINUX
#include "platform/linux/StatusNotifierWatcherPresence.h"
#include <QDBusConnection>
#endif

namespace tidewell {

TrayHostPresence::TrayHostPresence(QObject* parent) : QObject(parent) {}

std::unique_ptr<TrayHostPresence> TrayHostPresence::create()
{
#ifdef Q_OS_LINUX
    return std::make_unique<StatusNotifierWatcherPresence>(QDBusConnection::sessionBus());
#else
    return std::make_unique<TrayHostPresence>();
#endif
}

void TrayHostPresence::setPresent(bool present)
{
    if (present == m_present)
        return;
    m_present = present;
    emit presenceChanged(present);
}

} // namespace tidewell
