#include "platform/Host.h"

#include "platform/Desktop.h"
#include "platform/ProcessSystemTools.h"
#include "platform/commands/LsofListingSource.h"
#include "platform/commands/ShellProcessTable.h"

#include <QtGlobal>

#ifdef Q_OS_LINUX
#include "platform/linux/KernelSocketListingSource.h"
#include "platform/linux/LinuxProcessTable.h"
#endif

namespace tidewell {

bool Host::hasNativeBackend()
{
#ifdef Q_OS_LINUX
    return true;
#else
    return false;
#endif
}

std::optional<Host::Backend> Host::backendFromText(const QString& text)
{
    if (text == QLatin1String("native"))
        return Backend::native;
    if (text == QLatin1String("commands"))
        return Backend::commands;
    return std::nullopt;
}

Host::Backend Host::defaultBackend()
{
    const auto chosen = backendFromText(qEnvironmentVariable("TIDEWELL_BACKEND"));
    if (!hasNativeBackend())
        return Backend::commands;
    return chosen.value_or(Backend::native);
}

Host Host::create(Backend backend, std::shared_ptr<SystemTools> tools)
{
    if (!tools)
        tools = std::make_shared<ProcessSystemTools>();
    Host host;
    host.tools = tools;
    host.desktop = Desktop::create(tools);
#ifdef Q_OS_LINUX
    if (backend == Backend::native) {
        host.sockets = std::make_shared<KernelSocketListingSource>();
        host.processes = std::make_shared<LinuxProcessTable>();
        host.backend = Backend::native;
        return host;
    }
#else
    Q_UNUSED(backend);
#endif
    host.sockets = std::make_shared<LsofListingSource>(tools);
    host.processes = std::make_shared<ShellProcessTable>(tools);
    return host;
}

} // namespace tidewell
