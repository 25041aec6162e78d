#include "platform/DownloadFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QtGlobal>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace tidewell::DownloadFolder {

namespace {

constexpr QFile::Permissions kOwnerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
// Enough for an update's name to be tried beside files it must not replace.
constexpr int kFreeNameTries = 100;

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// "stem-N.ext", the number before the last extension (none for a name that starts with its dot).
QString numberedName(const QString& name, int number)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString suffix = QLatin1Char('-') + QString::number(number);
    return dot > 0 ? name.left(dot) + suffix + name.mid(dot) : name + suffix;
}

} // namespace

QString defaultFileName()
{
#ifdef Q_OS_MACOS
    return QStringLiteral("Tidewell.dmg");
#else
    return QStringLiteral("tidewell.deb");
#endif
}

bool isOwnFile(const QString& path)
{
    struct stat status
    {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 && S_ISREG(status.st_mode) &&
           status.st_uid == ::getuid() && status.st_nlink == 1;
}

Result<QString> placeFile(const QString& from, const QString& folder, const QString& name)
{
    const QByteArray source = QFile::encodeName(from);
    const QString wanted = QDir(folder).filePath(name);
    // One step that replaces the own file of that name, so the name never holds a half-written file.
    if (isOwnFile(wanted)) {
        if (::rename(source.constData(), QFile::encodeName(wanted).constData()) == 0)
            return Result<QString>::success(wanted);
        return Result<QString>::failure(systemReason(errno));
    }
    // A new name only: link() never replaces what stands there, even if it appeared a moment ago.
    for (int number = 1; number <= kFreeNameTries; ++number) {
        const QString target = number == 1 ? wanted : QDir(folder).filePath(numberedName(name, number - 1));
        if (::link(source.constData(), QFile::encodeName(target).constData()) == 0) {
            ::unlink(source.constData());
            return Result<QString>::success(target);
        }
        if (errno != EEXIST)
            return Result<QString>::failure(systemReason(errno));
    }
    return Result<QString>::failure(
        QCoreApplication::translate("DownloadFolder", "No free name beside %1").arg(wanted));
}

QString userFolder()
{
#ifdef Q_OS_MACOS
    // The per-user temporary folder (/var/folders/…/T) is the user's own there.
    return QStandardPaths::writableLocation(QStandardPaths::TempLocation);
#else
    // /tmp is shared by every account; the cache location is the user's own.
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    return cache.isEmpty() ? QString() : cache + QStringLiteral("/updates");
#endif
}

Result<QString> prepare(const QString& path)
{
    if (path.isEmpty())
        return Result<QString>::failure(
            QCoreApplication::translate("DownloadFolder", "There is no folder to download into."));
    const QString absolute = QDir::cleanPath(QDir(path).absolutePath());
    QFileInfo info(absolute);
    if (!info.exists()) {
        const QString parent = info.absolutePath();
        if (!QDir().mkpath(parent) || !QDir().mkdir(absolute, kOwnerOnly))
            return Result<QString>::failure(
                QCoreApplication::translate("DownloadFolder", "Could not create the folder %1")
                    .arg(absolute));
        info.refresh();
    }
    if (info.isSymLink() || !info.isDir())
        return Result<QString>::failure(
            QCoreApplication::translate("DownloadFolder", "%1 is not a folder.").arg(absolute));
    if (info.ownerId() != ::getuid())
        return Result<QString>::failure(
            QCoreApplication::translate("DownloadFolder", "%1 belongs to another user.").arg(absolute));
    // A folder left open to others by an earlier version or by hand is closed again.
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                      QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    if ((info.permissions() & others) && !QFile::setPermissions(absolute, kOwnerOnly))
        return Result<QString>::failure(
            QCoreApplication::translate("DownloadFolder", "Could not close the folder %1 to other users.")
                .arg(absolute));
    return Result<QString>::success(absolute);
}

} // namespace tidewell::DownloadFolder
