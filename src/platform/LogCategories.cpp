#include "platform/LogCategories.h"

namespace tidewell {

// Info and above by default: debug lines are trace lines.
Q_LOGGING_CATEGORY(lcApp, "tidewell.app", QtInfoMsg)
Q_LOGGING_CATEGORY(lcScan, "tidewell.scan", QtInfoMsg)
Q_LOGGING_CATEGORY(lcState, "tidewell.state", QtInfoMsg)
Q_LOGGING_CATEGORY(lcDesktop, "tidewell.desktop", QtInfoMsg)
Q_LOGGING_CATEGORY(lcProcess, "tidewell.process", QtInfoMsg)
Q_LOGGING_CATEGORY(lcQuickLaunch, "tidewell.quicklaunch", QtInfoMsg)
Q_LOGGING_CATEGORY(lcDeployments, "tidewell.deployments", QtInfoMsg)
Q_LOGGING_CATEGORY(lcUpdate, "tidewell.update", QtInfoMsg)
Q_LOGGING_CATEGORY(lcSettings, "tidewell.settings", QtInfoMsg)
Q_LOGGING_CATEGORY(lcRemote, "tidewell.remote", QtInfoMsg)

} // namespace tidewell
