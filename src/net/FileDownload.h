#pragma once

#include "net/CurlTransfer.h"
#include "net/JsonRequest.h"

#include <QObject>
#include <QString>
#include <QUrl>

#include <chrono>
#include <memory>

class QTemporaryFile;

namespace tidewell {

// One file fetched over HTTP(S) into a folder: the bytes go to a partial file in that folder and
// are moved into place only once complete, under the last path segment of the address the reply
// finally came from (DownloadFolder::placeFile). No more than the announced length is taken, nor
// more than a cap without one. Lives on the session's thread; destroying it abandons the transfer and
// its partial file. Fetched through libcurl on the session's event loop; certificates are checked
// and redirects are followed, never from https to http.
class FileDownload : public QObject
{
    Q_OBJECT
public:
    explicit FileDownload(CurlMulti* session, std::chrono::milliseconds timeout = RequestLimits{}.timeout,
                          qint64 maxBytes = RequestLimits{}.maxDownloadBytes, QObject* parent = nullptr);
    ~FileDownload() override;

    // Only http and https are fetched: any other scheme would read local files or other services.
    static bool isDownloadable(const QUrl& url);
    // The percent-decoded last path segment of `url`, or `fallback` when that is empty, "." or
    // "..", or holds a path separator or a NUL: a name that always stays inside the folder. A name
    // too long for a file system is shortened, keeping its extension.
    static QString fileNameFor(const QUrl& url, const QString& fallback);

    // Fetches `url` into `folder` (which must exist); a name the reply's address does not give is
    // `fallback`. Only an own file of the same name is replaced (DownloadFolder::placeFile). Ends in exactly
    // one of the two signals, never from inside this call.
    void start(const QUrl& url, const QString& folder, const QString& fallback);

signals:
    // `total` is -1 while the reply has not said its length. Emitted from inside the transfer: a
    // receiver may deleteLater() the download, but must not delete it there.
    void progress(qint64 received, qint64 total);
    void succeeded(const QString& path);
    // The transfer did not complete (or was refused); nothing was written under the final name.
    void failed(const QString& error);
    // The file arrived whole but could not be put in place; the partial file is removed.
    void moveFailed(const QString& error);

private:
    void fail(const QString& error);
    bool write(QByteArrayView chunk);
    void finish();

    CurlMulti* m_session;
    std::chrono::milliseconds m_timeout;
    qint64 m_maxBytes;
    std::unique_ptr<CurlTransfer> m_transfer;
    std::unique_ptr<QTemporaryFile> m_partial;
    QString m_folder;
    QString m_fallback;
    QString m_writeError;
    qint64 m_received = 0;
};

} // namespace tidewell
