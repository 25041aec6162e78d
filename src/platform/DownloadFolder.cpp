#include "platform/DownloadFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QtGlobal>

#include <unistd.h>

namespace tidewell::DownloadFolder {

namespace {

constexpr QFile::Permissions kOwnerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;

} // namespace

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
        return Result<QString>::failure(QStringLiteral("There is no folder to download into."));
    const QString absolute = QDir::cleanPath(QDir(path).absolutePath());
    QFileInfo info(absolute);
    if (!info.exists()) {
        const QString parent = info.absolutePath();
        if (!QDir().mkpath(parent) || !QDir().mkdir(absolute, kOwnerOnly))
            return Result<QString>::failure(QStringLiteral("Could not create the folder ") + absolute);
        info.refresh();
    }
    if (info.isSymLink() || !info.isDir())
        return Result<QString>::failure(absolute + QStringLiteral(" is not a folder."));
    if (info.ownerId() != ::getuid())
        return Result<QString>::failure(absolute + QStringLiteral(" belongs to another user."));
    // A folder left open to others by an earlier version or by hand is closed again.
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                      QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    if ((info.permissions() & others) && !QFile::setPermissions(absolute, kOwnerOnly))
        return Result<QString>::failure(QStringLiteral("Could not close the folder ") + absolute +
                                        QStringLiteral(" to other users."));
    return Result<QString>::success(absolute);
}

} // namespace tidewell::DownloadFolder
