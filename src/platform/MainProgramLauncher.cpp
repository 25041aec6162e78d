#include "platform/MainProgramLauncher.h"

#include "platform/InstallLayout.h"
#include "platform/linux/SiblingProgramLauncher.h"
#include "platform/macos/BundleLauncher.h"

#include <QDir>
#include <QtGlobal>

namespace tidewell {

std::unique_ptr<MainProgramLauncher> MainProgramLauncher::create(const QString& helperProgramDir)
{
#ifdef Q_OS_MACOS
    // The executable sits in TidewellHelper.app/Contents/MacOS.
    return std::make_unique<BundleLauncher>(QDir::cleanPath(helperProgramDir + QStringLiteral("/../..")));
#else
    return std::make_unique<SiblingProgramLauncher>(InstallLayout::mainProgram(helperProgramDir));
#endif
}

} // namespace tidewell
