#include "settings/AutoStartSetting.h"

namespace tidewell::AutoStartSetting {

QString statusLine(int status)
{
    QString name;
    switch (status) {
    case LoginItemService::notRegistered:
        name = QStringLiteral("Not Registered");
        break;
    case LoginItemService::enabled:
        name = QStringLiteral("Enabled");
        break;
    case LoginItemService::notFound:
        name = QStringLiteral("No Found");
        break;
    default:
        // Waiting for the user's approval has no name of its own either.
        name = QStringLiteral("Unknown");
    }
    return QStringLiteral("Status: ") + name;
}

LoginItemService::Change change(LoginItemService& service, bool on)
{
    const int status = service.status();
    if (on)
        return status == LoginItemService::enabled ? LoginItemService::Change::success({})
                                                   : service.registerLoginItem();
    return status == LoginItemService::notRegistered ? LoginItemService::Change::success({})
                                                     : service.unregisterLoginItem();
}

} // namespace tidewell::AutoStartSetting
