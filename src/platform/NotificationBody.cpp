#include "platform/NotificationBody.h"

#include <QtGlobal>

#ifdef Q_OS_LINUX
#include "platform/linux/FreedesktopNotifications.h"
#endif

namespace tidewell {

QString NotificationBody::fromPlainText(const QString& text)
{
#ifdef Q_OS_LINUX
    static const bool readsMarkup = FreedesktopNotifications::bodyReadsMarkup();
    return forService(text, readsMarkup);
#else
    return forService(text, false);
#endif
}

QString NotificationBody::forService(const QString& text, bool readsMarkup)
{
    return readsMarkup ? text.toHtmlEscaped() : text;
}

} // namespace tidewell
