#include "platform/LoginItemFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <filesystem>
#include <system_error>

namespace tidewell::LoginItemFile {

bool isProgram(const QString& program)
{
    const QFileInfo info(program);
    return info.isFile() && info.isExecutable();
}

LoginItemService::Change write(const QString& folder, const QString& path, const QByteArray& text)
{
    std::error_code error;
    std::filesystem::create_directories(QFile::encodeName(folder).toStdString(), error);
    // A file standing where the folder should be is no folder either.
    if (!error && !QFileInfo(folder).isDir())
        error = std::make_error_code(std::errc::not_a_directory);
    if (error)
        return LoginItemService::Change::failure(QStringLiteral("Could not create the folder ") + folder +
                                                 QStringLiteral(": ") +
                                                 QString::fromStdString(error.message()));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        return LoginItemService::Change::failure(QStringLiteral("Could not write ") + path +
                                                 QStringLiteral(": ") + file.errorString());
    return LoginItemService::Change::success({});
}

LoginItemService::Change remove(const QString& path)
{
    QFile file(path);
    if (!file.exists() || file.remove())
        return LoginItemService::Change::success({});
    return LoginItemService::Change::failure(QStringLiteral("Could not remove ") + path +
                                             QStringLiteral(": ") + file.errorString());
}

} // namespace tidewell::LoginItemFile
