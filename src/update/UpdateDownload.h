#pragma once

#include "update/UpdateService.h"

#include <QObject>
#include <QString>

#include <functional>

#include <memory>

class QThreadPool;

namespace tidewell {

class Desktop;

// One press of the download button: a file of the link's name already in the user's download
// folder, left there by this user's own download (DownloadFolder::isOwnFile), is opened at once;
// otherwise the link is fetched there and the complete file is opened.
// Lives on the interface thread; its signals arrive there.
class UpdateDownload : public QObject
{
    Q_OBJECT
public:
    // `pool` runs the folder preparation and the look for an earlier file.
    UpdateDownload(UpdateService service, std::shared_ptr<Desktop> desktop, QThreadPool* pool,
                   QObject* parent = nullptr);

    // Ignored while an earlier start is still under way.
    void start(const QString& link);
    bool isBusy() const { return m_busy; }
    // Hands a downloaded file to the desktop's opener, or, for a type the desktop has no real
    // handler for, opens its folder instead. `onFailure` hears when that fails.
    void openDownloaded(const QString& path, std::function<void(const QString&)> onFailure = {});
    // The file's folder in the file browser.
    void showDownloaded(const QString& path, std::function<void(const QString&)> onFailure = {});

signals:
    // No earlier file: the transfer begins.
    void transferStarted();
    // `total` is -1 while the reply has not said its length.
    void progress(qint64 received, qint64 total);
    // The file is in place and was handed to the opener: an earlier one, or the one just fetched.
    void completed(const QString& path);
    // Nothing was opened; `error` says why in one line.
    void failed(const QString& error);
    // The file is in place, but the desktop could not open it.
    void openFailed(const QString& reason);

private:
    void beginTransfer(const QUrl& url, const QString& folder);
    void end();

    UpdateService m_service;
    std::shared_ptr<Desktop> m_desktop;
    QThreadPool* m_pool;
    bool m_busy = false;
};

} // namespace tidewell
