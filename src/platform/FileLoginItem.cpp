#include "platform/FileLoginItem.h"

#include "platform/RegularFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <filesystem>
#include <system_error>

namespace tidewell {

namespace {

// An entry is a few lines; anything far larger is not ours.
constexpr qsizetype kMaxFileBytes = 64 * 1024;

} // namespace

FileLoginItem::FileLoginItem(QString folder, QString fileName, QString helperProgram)
    : m_folder(std::move(folder)), m_fileName(std::move(fileName)), m_helperProgram(std::move(helperProgram))
{}

bool FileLoginItem::isProgram(const QString& program)
{
    const QFileInfo info(program);
    return info.isFile() && info.isExecutable();
}

QString FileLoginItem::filePath() const
{
    return QDir(m_folder).filePath(m_fileName);
}

int FileLoginItem::status() const
{
    if (!isProgram(m_helperProgram))
        return notFound;
    // Through the reader of user files: a FIFO in its place must not hold up the settings page.
    const Result<QByteArray> text = RegularFile::read(filePath(), kMaxFileBytes);
    return text && isFileEnabled(text.value()) ? enabled : notRegistered;
}

LoginItemService::Change FileLoginItem::registerLoginItem()
{
    if (!isProgram(m_helperProgram))
        return Change::failure(
            QCoreApplication::translate("FileLoginItem", "The helper program is missing: %1")
                .arg(m_helperProgram));
    std::error_code error;
    std::filesystem::create_directories(QFile::encodeName(m_folder).toStdString(), error);
    // A file standing where the folder should be is no folder either.
    if (!error && !QFileInfo(m_folder).isDir())
        error = std::make_error_code(std::errc::not_a_directory);
    if (error)
        return Change::failure(
            QCoreApplication::translate("FileLoginItem", "Could not create the folder %1: %2")
                .arg(m_folder, QString::fromStdString(error.message())));
    // Replaced in one step, so that a login reading it meanwhile never meets half of it.
    const QByteArray text = fileText(m_helperProgram);
    QSaveFile file(filePath());
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        return Change::failure(QCoreApplication::translate("FileLoginItem", "Could not write %1: %2")
                                   .arg(filePath(), file.errorString()));
    return Change::success({});
}

LoginItemService::Change FileLoginItem::unregisterLoginItem()
{
    QFile file(filePath());
    if (!file.exists() || file.remove())
        return Change::success({});
    return Change::failure(QCoreApplication::translate("FileLoginItem", "Could not remove %1: %2")
                               .arg(filePath(), file.errorString()));
}

} // namespace tidewell
