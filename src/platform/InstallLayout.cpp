#include "platform/InstallLayout.h"

#include <QDir>
#include <QFileInfo>

// The build defines both relative folders from its install folders (cmake/TidewellInstallDirs.cmake).
#ifndef TIDEWELL_HELPER_DIR_FROM_PROGRAM
#error "TIDEWELL_HELPER_DIR_FROM_PROGRAM is set by the build"
#endif

namespace tidewell::InstallLayout {

QString helperProgram(const QString& mainProgramDir)
{
    return besideOrAt(mainProgramDir, QStringLiteral(TIDEWELL_HELPER_DIR_FROM_PROGRAM),
                      QStringLiteral("tidewell-helper"));
}

QString mainProgram(const QString& helperProgramDir)
{
    return besideOrAt(helperProgramDir, QStringLiteral(TIDEWELL_PROGRAM_DIR_FROM_HELPER),
                      QStringLiteral("tidewell"));
}

QString besideOrAt(const QString& dir, const QString& relativeDir, const QString& name)
{
    const QString beside = QDir(dir).filePath(name);
    const QFileInfo info(beside);
    if (info.isFile() && info.isExecutable())
        return beside;
    return QDir::cleanPath(QDir(dir).filePath(relativeDir + u'/' + name));
}

} // namespace tidewell::InstallLayout
