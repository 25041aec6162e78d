#pragma once

#include <QLoggingCategory>

// The program's logging categories. Failures and the few lines a user may look for are warnings or
// info and show by default; trace lines (each lookup, each window toggle, each stored value) are debug,
// off unless QT_LOGGING_RULES turns them on, for example "tidewell.*.debug=true". Everything goes to
// standard error (StandardErrorLog), so a command's standard output holds its output only.
namespace tidewell {

Q_DECLARE_LOGGING_CATEGORY(lcApp)
Q_DECLARE_LOGGING_CATEGORY(lcScan)
Q_DECLARE_LOGGING_CATEGORY(lcState)
Q_DECLARE_LOGGING_CATEGORY(lcDesktop)
Q_DECLARE_LOGGING_CATEGORY(lcProcess)
Q_DECLARE_LOGGING_CATEGORY(lcQuickLaunch)
Q_DECLARE_LOGGING_CATEGORY(lcDeployments)
Q_DECLARE_LOGGING_CATEGORY(lcUpdate)
Q_DECLARE_LOGGING_CATEGORY(lcSettings)
Q_DECLARE_LOGGING_CATEGORY(lcRemote)

} // namespace tidewell
