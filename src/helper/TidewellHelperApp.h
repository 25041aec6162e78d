#pragma once

#include "platform/MainProgramLauncher.h"

#include <QString>
#include <memory>

namespace tidewell {

// The companion program's one job at login: start Tidewell unless this user's Tidewell is
// already running, then end.
class TidewellHelperApp
{
public:
    TidewellHelperApp(QString serverName, std::unique_ptr<MainProgramLauncher> launcher);

    // True when a Tidewell listens on exactly `serverName`; it is asked nothing.
    static bool isMainProgramRunning(const QString& serverName);

    // The program's exit code: 0 when Tidewell runs or was started, 1 when it could not be.
    int run();

private:
    QString m_serverName;
    std::unique_ptr<MainProgramLauncher> m_launcher;
};

} // namespace tidewell
