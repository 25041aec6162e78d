#include "platform/SettingsFile.h"

#include "platform/LogCategories.h"
#include "platform/RegularFile.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace tidewell {

std::unique_ptr<QSettings> SettingsFile::open(const QString& organization, const QString& application)
{
#ifdef Q_OS_MACOS
    // The user defaults: a store the system keeps, not a file this program opens.
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, organization,
                                       application);
#else
    // The file Qt's native format uses on this system, without the organisation-wide and system-wide
    // files it would also read.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return openIni(
        QDir(folder).filePath(organization + QLatin1Char('/') + application + QStringLiteral(".conf")));
#endif
}

std::unique_ptr<QSettings> SettingsFile::openIni(const QString& path)
{
    const Result<bool> readable = RegularFile::check(path, kMaxBytes);
    if (readable)
        return std::make_unique<QSettings>(path, QSettings::IniFormat);
    qCWarning(lcSettings).noquote()
        << QStringLiteral("Settings file not read: %1 (%2); settings are kept for this run only")
               .arg(readable.error(), path);
    // An empty file of the settings' own, in a folder that goes with them.
    auto* folder = new QTemporaryDir;
    auto settings =
        std::make_unique<QSettings>(folder->filePath(QStringLiteral("settings.conf")), QSettings::IniFormat);
    QObject::connect(settings.get(), &QObject::destroyed, [folder] { delete folder; });
    return settings;
}

} // namespace tidewell
