#include "net/FileDownload.h"

#include "platform/DownloadFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryFile>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace tidewell {

namespace {

// Most file systems take 255 bytes in a name; a few are left for the number of a second copy.
constexpr qsizetype kMaxNameBytes = 240;

// `name` cut to kMaxNameBytes of UTF-8, keeping its extension (when that is short) and whole characters.
QString fittedName(const QString& name)
{
    if (name.toUtf8().size() <= kMaxNameBytes)
        return name;
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot > 0 && name.size() - dot <= 16 ? name.mid(dot) : QString();
    QString stem = name.left(name.size() - extension.size());
    const qsizetype room = kMaxNameBytes - extension.toUtf8().size();
    while (stem.toUtf8().size() > room) {
        stem.chop(1);
        if (!stem.isEmpty() && stem.back().isHighSurrogate())
            stem.chop(1);
    }
    return stem + extension;
}

} // namespace

FileDownload::FileDownload(CurlMulti* session, std::chrono::milliseconds timeout, qint64 maxBytes,
                           QObject* parent)
    : QObject(parent), m_session(session), m_timeout(timeout), m_maxBytes(maxBytes)
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
    return unsafe ? fallback : fittedName(name);
}

void FileDownload::start(const QUrl& url, const QString& folder, const QString& fallback)
{
    m_folder = folder;
    m_fallback = fallback;
    m_received = 0;
    m_writeError.clear();
    if (!isDownloadable(url)) {
        QTimer::singleShot(0, this, [this, url] {
            fail(url.isValid() ? QCoreApplication::translate(
                                     "FileDownload", "Only http and https links can be downloaded, not %1")
                                     .arg(url.toDisplayString())
                               : QCoreApplication::translate("FileDownload", "Not a valid link: %1")
                                     .arg(url.errorString()));
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
    limits.maxBodyBytes = m_maxBytes;
    m_transfer = std::make_unique<CurlTransfer>(m_session, url, limits);
    CURL* const easy = m_transfer->handle();
    // The file as it was sent: a compressed reply would be unpacked past any length it announced.
    curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, static_cast<const char*>(nullptr));
    // An announced length over the cap is refused before a byte is written.
    curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(m_maxBytes));
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
    curl_off_t length = -1;
    curl_easy_getinfo(m_transfer->handle(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    if (length >= 0 && m_received + chunk.size() > length) {
        m_writeError = QCoreApplication::translate("FileDownload",
                                                   "The download is longer than the %1 bytes it announced.")
                           .arg(length);
        return false;
    }
    // Written straight to the file, so that a full disk is told by the system's own words.
    const char* data = chunk.constData();
    for (qsizetype left = chunk.size(); left > 0;) {
        const ssize_t written = ::write(m_partial->handle(), data, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            m_writeError = QString::fromLocal8Bit(std::strerror(written < 0 ? errno : ENOSPC));
            return false;
        }
        data += written;
        left -= written;
    }
    m_received += chunk.size();
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
                        ? QCoreApplication::translate("FileDownload", "The download timed out.")
                        : transfer->errorText());
    }
    m_partial->close();

    char* finalAddress = nullptr;
    curl_easy_getinfo(transfer->handle(), CURLINFO_EFFECTIVE_URL, &finalAddress);
    const QUrl finalUrl = QUrl::fromEncoded(QByteArray(finalAddress ? finalAddress : ""));
    const QString name = fileNameFor(finalUrl, m_fallback);
    const Result<QString> placed = DownloadFolder::placeFile(m_partial->fileName(), m_folder, name);
    if (!placed) {
        m_partial.reset();
        emit moveFailed(QCoreApplication::translate("FileDownload", "Could not move the download to %1: %2")
                            .arg(QDir(m_folder).filePath(name), placed.error()));
        return;
    }
    m_partial->setAutoRemove(false);
    m_partial.reset();
    emit succeeded(placed.value());
}

void FileDownload::fail(const QString& error)
{
    // The partial file goes with it, so a failed transfer leaves nothing behind to be opened later.
    m_partial.reset();
    emit failed(error);
}

} // namespace tidewell
