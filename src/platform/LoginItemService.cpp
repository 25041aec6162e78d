#include "platform/LoginItemService.h"

#include "platform/linux/XdgAutostartLoginItem.h"
#include "platform/macos/LaunchAgentLoginItem.h"

#include <QDir>
#include <QtGlobal>

namespace tidewell {

std::unique_ptr<LoginItemService> LoginItemService::create(const QString& mainProgramDir)
{
#ifdef Q_OS_MACOS
    return std::make_unique<LaunchAgentLoginItem>(LaunchAgentLoginItem::userLaunchAgentsDir(),
                                                  LaunchAgentLoginItem::helperInBundle(mainProgramDir));
#else
    return std::make_unique<XdgAutostartLoginItem>(
        XdgAutostartLoginItem::userAutostartDir(),
        QDir(mainProgramDir).filePath(QStringLiteral("tidewell-helper")));
#endif
}

} // namespace tidewell
