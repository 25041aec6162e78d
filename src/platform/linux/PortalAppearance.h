#pragma once

#include "platform/DesktopAppearance.h"

#include <QDBusConnection>
#include <QDBusVariant>

namespace tidewell {

// The colour scheme a desktop publishes through the freedesktop portal's settings
// ("org.freedesktop.appearance" "color-scheme": GNOME's and KDE's dark and light styles), read once
// without waiting and followed through the portal's change signal. No portal means no preference.
class PortalAppearance : public DesktopAppearance
{
    Q_OBJECT
public:
    explicit PortalAppearance(const QDBusConnection& bus, QObject* parent = nullptr);

    // The scheme a portal's value names (0 no preference, 1 dark, 2 light), however deeply it is
    // wrapped in variants.
    static ColorScheme schemeFor(const QVariant& value);

private slots:
    void settingChanged(const QString& group, const QString& key, const QDBusVariant& value);

private:
    QDBusConnection m_bus;
};

} // namespace tidewell
