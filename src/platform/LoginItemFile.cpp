#include "platform/LoginItemFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace tidewell::LoginItemFile {

bool isProgram(const QString& program)
{
    const QFileInfo info(program);
    return info.isFile() && info.isExecutable();
}

LoginItemService::Change write(const QString& folder, const QString& path, const QByteArray& text)
{
    if (!QDir().mkpath(folder))
        return LoginItemService::Change::failure(QStringLiteral("Could not create the folder ") + folder);
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
