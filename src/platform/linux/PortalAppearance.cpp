#include "platform/linux/PortalAppearance.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace tidewell {

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString kGroup = QStringLiteral("org.freedesktop.appearance");
const QString kKey = QStringLiteral("color-scheme");

} // namespace

PortalAppearance::PortalAppearance(const QDBusConnection& bus, QObject* parent)
    : DesktopAppearance(parent), m_bus(bus)
{
    if (!m_bus.isConnected())
        return;
    // Matched by path and interface alone: a match on the portal's name would drop the changes
    // sent before Qt has learnt which connection owns that name.
    // The slot's argument type must be known by name before the first connection looks it up.
    qRegisterMetaType<QDBusVariant>();
    m_bus.connect(QString(), kPath, kInterface, QStringLiteral("SettingChanged"), this,
                  SLOT(settingChanged(QString, QString, QDBusVariant)));
    // Read wraps the value in one more variant than the signal does; schemeFor unwraps both.
    QDBusMessage read = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Read"));
    read << kGroup << kKey;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(read), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        const QDBusPendingReply<QDBusVariant> reply = *call;
        // A change that came first is newer than this answer.
        if (!reply.isError() && colorScheme() == ColorScheme::noPreference)
            setColorScheme(schemeFor(reply.value().variant()));
        call->deleteLater();
    });
}

DesktopAppearance::ColorScheme PortalAppearance::schemeFor(const QVariant& value)
{
    QVariant inner = value;
    // A variant inside a variant arrives as a QDBusVariant, or as a QDBusArgument holding one.
    for (int depth = 0; depth < 4; ++depth) {
        if (inner.canConvert<QDBusVariant>() && inner.userType() == qMetaTypeId<QDBusVariant>())
            inner = inner.value<QDBusVariant>().variant();
        else if (inner.userType() == qMetaTypeId<QDBusArgument>())
            inner = qdbus_cast<QDBusVariant>(inner.value<QDBusArgument>()).variant();
        else
            break;
    }
    bool ok = false;
    const uint number = inner.toUInt(&ok);
    if (!ok)
        return ColorScheme::noPreference;
    return number == 1 ? ColorScheme::dark : number == 2 ? ColorScheme::light : ColorScheme::noPreference;
}

void PortalAppearance::settingChanged(const QString& group, const QString& key, const QDBusVariant& value)
{
    if (group == kGroup && key == kKey)
        setColorScheme(schemeFor(value.variant()));
}

} // namespace tidewell
