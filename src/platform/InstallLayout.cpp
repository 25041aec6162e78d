#include "platform/InstallLayout.h"

#include <QDir>
#include <QFileInfo>
#include <QtGlobal>

#ifdef Q_OS_MACOS
#include <cstdint>
#include <mach-o/dyld.h>
#endif

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

namespace {

QString moduleOf(const QString& mainProgramDir, const QString& name)
{
    // A module need not carry the executable bit, so any file beside the program will do.
    const QString beside = QDir(mainProgramDir).filePath(name);
    if (QFileInfo(beside).isFile())
        return beside;
    return QDir::cleanPath(
        QDir(mainProgramDir).filePath(QStringLiteral(TIDEWELL_MODULE_DIR_FROM_PROGRAM) + u'/' + name));
}

} // namespace

QString windowModule(const QString& mainProgramDir)
{
    return moduleOf(mainProgramDir, QStringLiteral(TIDEWELL_WINDOW_MODULE_NAME));
}

QString thisProgramDir()
{
#ifdef Q_OS_MACOS
    std::uint32_t size = 0;
    _NSGetExecutablePath(nullptr, &size);
    QByteArray path(qsizetype(size), '\0');
    if (_NSGetExecutablePath(path.data(), &size) != 0)
        return {};
    return QFileInfo(QString::fromUtf8(path.constData())).canonicalPath();
#else
    return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget()).path();
#endif
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
