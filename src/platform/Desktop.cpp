#include "platform/Desktop.h"

#include "platform/commands/MacDesktop.h"

#include <QtGlobal>

#ifdef Q_OS_LINUX
#include "platform/linux/LinuxDesktop.h"
#endif

namespace tidewell {

std::shared_ptr<Desktop> Desktop::create(std::shared_ptr<SystemTools> tools)
{
#ifdef Q_OS_LINUX
    return std::make_shared<LinuxDesktop>(std::move(tools));
#else
    return std::make_shared<MacDesktop>(std::move(tools));
#endif
}

} // namespace tidewell
