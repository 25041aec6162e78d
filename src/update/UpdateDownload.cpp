#include "update/UpdateDownload.h"

#include "net/FileDownload.h"
#include "platform/Desktop.h"
#include "platform/DownloadFolder.h"
#include "platform/LogCategories.h"
#include "state/AsyncTask.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QUrl>

namespace tidewell {

namespace {

struct EarlierFile
{
    QString folder; // absolute, once prepared
    QString error;  // the folder could not be prepared
    bool exists = false;
};

} // namespace

UpdateDownload::UpdateDownload(UpdateService service, std::shared_ptr<Desktop> desktop, QThreadPool* pool,
                               QObject* parent)
    : QObject(parent), m_service(std::move(service)), m_desktop(std::move(desktop)), m_pool(pool)
{}

void UpdateDownload::start(const QString& link)
{
    if (m_busy)
        return;
    const QUrl url(link.trimmed(), QUrl::StrictMode);
    // Checked before anything is looked up: a file:// or other link must not open a local file either.
    if (!FileDownload::isDownloadable(url)) {
        const QString scheme = QUrl(link.trimmed()).scheme();
        const bool web = scheme == QLatin1String("http") || scheme == QLatin1String("https");
        emit failed(web ? QCoreApplication::translate("UpdateDownload", "Not a valid link: %1").arg(link)
                        : QCoreApplication::translate("UpdateDownload",
                                                      "Only http and https links can be downloaded: %1")
                              .arg(link));
        return;
    }
    m_busy = true;
    const QString name = FileDownload::fileNameFor(url, DownloadFolder::defaultFileName());
    AsyncTask::runThenCallback(
        m_pool, this,
        [folder = m_service.downloadFolder(), name] {
            const Result<QString> prepared = DownloadFolder::prepare(folder);
            if (!prepared)
                return EarlierFile{{}, prepared.error(), false};
            // Only a file this user's download left: not a link, nor another user's file, nor a second
            // name of a file that is elsewhere too.
            return EarlierFile{
                prepared.value(), {}, DownloadFolder::isOwnFile(QDir(prepared.value()).filePath(name))};
        },
        [this, url, name](const EarlierFile& earlier) {
            if (!earlier.error.isEmpty()) {
                end();
                emit failed(earlier.error);
            } else if (earlier.exists) {
                end();
                const QString path = QDir(earlier.folder).filePath(name);
                openDownloaded(path);
                emit completed(path);
            } else {
                beginTransfer(url, earlier.folder);
            }
        });
}

void UpdateDownload::beginTransfer(const QUrl& url, const QString& folder)
{
    emit transferStarted();
    auto* transfer = new FileDownload(m_service.session(), m_service.limits().timeout,
                                      m_service.limits().maxDownloadBytes, this);
    connect(transfer, &FileDownload::progress, this, &UpdateDownload::progress);
    connect(transfer, &FileDownload::succeeded, this, [this, transfer](const QString& path) {
        transfer->deleteLater();
        end();
        qCDebug(lcUpdate).noquote() << (path);
        openDownloaded(path);
        emit completed(path);
    });
    connect(transfer, &FileDownload::failed, this, [this, transfer](const QString& error) {
        transfer->deleteLater();
        end();
        emit failed(error);
    });
    connect(transfer, &FileDownload::moveFailed, this, [this, transfer](const QString& error) {
        transfer->deleteLater();
        end();
        // An older file of that name is not opened in place of the one that failed to arrive.
        qCWarning(lcUpdate).noquote()
            << (QStringLiteral("An error occurred while moving or opening the file: ") + error);
        emit failed(error);
    });
    transfer->start(url, folder, DownloadFolder::defaultFileName());
}

void UpdateDownload::openDownloaded(const QString& path, std::function<void(const QString&)> onFailure)
{
    if (!onFailure)
        onFailure = [self = QPointer(this)](const QString& reason) {
            if (self)
                emit self->openFailed(reason);
        };
    AsyncTask::runThenCallback(
        m_pool, this, [desktop = m_desktop, path] { return desktop->hasOpenerFor(path); },
        [this, path, onFailure](bool hasOpener) {
            if (hasOpener)
                m_desktop->openUrl(QUrl::fromLocalFile(path), onFailure);
            else
                showDownloaded(path, onFailure);
        });
}

void UpdateDownload::showDownloaded(const QString& path, std::function<void(const QString&)> onFailure)
{
    m_desktop->openFolder(QFileInfo(path).absolutePath(), std::move(onFailure));
}

void UpdateDownload::end()
{
    m_busy = false;
}

} // namespace tidewell
