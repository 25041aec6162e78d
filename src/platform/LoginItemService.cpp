#include "platform/LoginItemService.h"

#include "platform/InstallLayout.h"
#include "platform/linux/XdgAutostartLoginItem.h"
#include "platform/macos/LaunchAgentLoginItem.h"

#include <QtGlobal>

namespace tidewell {

std::unique_ptr<LoginItemService> LoginItemService::create(const QString& mainProgramDir)
{
#ifdef Q_OS_MACOS
    return std::make_unique<LaunchAgentLoginItem>(LaunchAgentLoginItem::userLaunchAgentsDir(),
                                                  LaunchAgentLoginItem::helperInBundle(mainProgramDir));
#else
    return std::make_unique<XdgAutostartLoginItem>(XdgAutostartLoginItem::userAutostartDir(),
                                                   InstallLayout::helperProgram(mainProgramDir));
#endif
}

} // namespace tidewell
