#include "platform/DesktopAppearance.h"

#include <QtGlobal>

#ifdef Q_OS_LINUX
#include "platform/linux/PortalAppearance.h"
#include <QDBusConnection>
#endif

namespace tidewell {

DesktopAppearance::DesktopAppearance(QObject* parent) : QObject(parent) {}

std::unique_ptr<DesktopAppearance> DesktopAppearance::create()
{
#ifdef Q_OS_LINUX
    return std::make_unique<PortalAppearance>(QDBusConnection::sessionBus());
#else
    // macOS's own appearance reaches the program through the platform theme's palette.
    return std::make_unique<DesktopAppearance>();
#endif
}

void DesktopAppearance::setColorScheme(ColorScheme scheme)
{
    if (scheme == m_scheme)
        return;
    m_scheme = scheme;
    emit colorSchemeChanged(scheme);
}

} // namespace tidewell
