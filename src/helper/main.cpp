#include "helper/TidewellHelperApp.h"
#include "platform/MainProgramLauncher.h"
#include "platform/StandardErrorLog.h"
#include "state/SingleInstance.h"

#include <QCoreApplication>

using namespace tidewell;

// Started by the desktop session at login; starts Tidewell when it is not running and ends.
int main(int argc, char** argv)
{
    StandardErrorLog::install();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("TidewellHelper"));
    TidewellHelperApp helper(SingleInstance::defaultServerName(),
                             MainProgramLauncher::create(QCoreApplication::applicationDirPath()));
    return helper.run();
}
