#include "net/FileDownload.h"

#include <QDir>
#include <QTemporaryFile>
#include <QTimer>

#include <filesystem>
#include <system_error>

namespace tidewell {

FileDownload::FileDownload(CurlMulti* session, std::chrono::milliseconds timeout, QObject* parent)
    : QObject(parent), m_session(session), m_timeout(timeout)
{}

FileDownload::~FileDownload() = default;

bool FileDownload::isDownloadable(const QUrl& url)
{
    return url.isValid() && !url.host().isEmpty() &&
           (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"));
}

QString FileDownload::fileNameFor(const QUrl& url, const QString& fallback)
{
    // Decoding the path first would turn "%2F" into a separator before the last segment is found.
    const QByteArray encodedPath = url.path(QUrl::FullyEncoded).toUtf8();
    const QString name = QUrl::fromPercentEncoding(encodedPath.mid(encodedPath.lastIndexOf('/') + 1));
    const bool unsafe = name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") ||
                        name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) ||
                        name.contains(QChar(u'\0'));
    return unsafe ? fallback : name;
}

void FileDownload::start(const QUrl& url, const QString& folder, const QString& fallback)
{
    m_folder = folder;
    m_fallback = fallback;
    m_received = 0;
    m_writeError.clear();
    if (!isDownloadable(url)) {
        QTimer::singleShot(0, this, [this, url] {
            fail(QStringLiteral("Only http and https links can be downloaded, not ") + url.toDisplayString());
        });
        return;
    }
    m_partial = std::make_unique<QTemporaryFile>(QDir(folder).filePath(QStringLiteral(".download-XXXXXX")));
    if (!m_partial->open()) {
        const QString error = m_partial->errorString();
        m_partial.reset();
        QTimer::singleShot(0, this, [this, error] { fail(error); });
        return;
    }

    CurlTransfer::Limits limits;
    limits.idleTimeoutMs = int(m_timeout.count());
    m_transfer = std::make_unique<CurlTransfer>(m_session, url, limits);
    CURL* const easy = m_transfer->handle();
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 5L);
    if (url.scheme() == QLatin1String("https"))
        curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "https");
    // Unlike a service's JSON answer, an error page is never the file that was asked for.
    curl_easy_setopt(easy, CURLOPT_FAILONERROR, 1L);
    CurlTransfer::Handlers handlers;
    handlers.body = [this](QByteArrayView chunk) { return write(chunk); };
    handlers.done = [this] { finish(); };
    m_transfer->start(std::move(handlers));
}

// Called from inside libcurl: it may stop the transfer by its answer, and nothing more.
bool FileDownload::write(QByteArrayView chunk)
{
    if (m_partial->write(chunk.constData(), chunk.size()) != chunk.size()) {
        m_writeError = m_partial->errorString();
        return false;
    }
    m_received += chunk.size();
    curl_off_t length = -1;
    curl_easy_getinfo(m_transfer->handle(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    emit progress(m_received, length >= 0 ? qint64(length) : -1);
    return true;
}

void FileDownload::finish()
{
    // Freed on the next turn: this is called from inside it.
    CurlTransfer* const transfer = m_transfer.release();
    transfer->deleteLater();
    if (!m_writeError.isEmpty())
        return fail(m_writeError);
    if (!transfer->succeeded()) {
        return fail(transfer->ending() == CurlTransfer::Ending::timedOut
                        ? QStringLiteral("The download timed out.")
                        : transfer->errorText());
    }
    if (!m_partial->flush())
        return fail(m_partial->errorString());
    m_partial->close();

    char* finalAddress = nullptr;
    curl_easy_getinfo(transfer->handle(), CURLINFO_EFFECTIVE_URL, &finalAddress);
    const QUrl finalUrl = QUrl::fromEncoded(QByteArray(finalAddress ? finalAddress : ""));
    const QString destination = QDir(m_folder).filePath(fileNameFor(finalUrl, m_fallback));
    std::error_code error;
    // One step that replaces any file of that name, so the name never holds a half-written file.
    std::filesystem::rename(QFile::encodeName(m_partial->fileName()).toStdString(),
                            QFile::encodeName(destination).toStdString(), error);
    if (error) {
        m_partial.reset();
        emit moveFailed(QStringLiteral("Could not move the download to ") + destination +
                        QStringLiteral(": ") + QString::fromStdString(error.message()));
        return;
    }
    m_partial->setAutoRemove(false);
    m_partial.reset();
    emit succeeded(destination);
}

void FileDownload::fail(const QString& error)
{
    // The partial file goes with it, so a failed transfer leaves nothing behind to be opened later.
    m_partial.reset();
    emit failed(error);
}

} // namespace tidewell
