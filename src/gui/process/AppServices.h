#pragma once

#include "platform/Desktop.h"
#include "records/PortData.h"
#include "records/ProcessStats.h"
#include "records/StopResult.h"

#include <functional>
#include <memory>
#include <optional>

class QThreadPool;

namespace tidewell {

class AppState;
class DeploymentsFeed;
class LoginItemService;
class PortListRefresher;
class RemoteMachinesWatcher;

// What the window's views use to reach state, the port lists and the host. The views get it from
// the menu content; tests fill it with real parts and their own pools.
struct AppServices
{
    AppState* state = nullptr;
    PortListRefresher* refresher = nullptr;
    std::shared_ptr<Desktop> desktop;
    // Blocking calls: the views run them on `pool` and apply the result on the interface thread.
    std::function<std::optional<ProcessStats>(const PortData&)> readStats;
    // Signals the listed process and watches its port for a while (ProcessStopper::stopProcess).
    std::function<StopResult(const ProcessIdentity& listed, StopSignal signal)> stopProcess;
    QThreadPool* pool = nullptr;
    // Saves an entry as a quick-launch item; gives why it could not, or nothing.
    std::function<QString(const PortDataLike&)> addToQuickLaunch;
    // The start-at-login registration the settings page shows and changes.
    std::shared_ptr<LoginItemService> loginItem;
    // The Vercel data every view reads; rows show no linked project when null.
    DeploymentsFeed* deploymentsFeed = nullptr;
    // The remote machines of the settings, each listed under the local rows; none when null.
    RemoteMachinesWatcher* remoteMachines = nullptr;
};

} // namespace tidewell
