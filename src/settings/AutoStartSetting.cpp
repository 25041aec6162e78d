#include "settings/AutoStartSetting.h"

#include <QCoreApplication>

namespace tidewell::AutoStartSetting {

QString statusLine(int status)
{
    QString name;
    switch (status) {
    case LoginItemService::notRegistered:
        name = QCoreApplication::translate("AutoStartSetting", "Not Registered");
        break;
    case LoginItemService::enabled:
        name = QCoreApplication::translate("AutoStartSetting", "Enabled");
        break;
    case LoginItemService::notFound:
        name = QCoreApplication::translate("AutoStartSetting", "No Found");
        break;
    default:
        // Waiting for the user's approval has no name of its own either.
        name = QCoreApplication::translate("AutoStartSetting", "Unknown");
    }
    return QCoreApplication::translate("AutoStartSetting", "Status: %1").arg(name);
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
