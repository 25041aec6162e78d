#include "net/FileDownload.h"

#include <QDir>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTemporaryFile>
#include <QTimer>

#include <filesystem>
#include <system_error>

namespace tidewell {

FileDownload::FileDownload(QNetworkAccessManager* session, std::chrono::milliseconds timeout, QObject* parent)
    : QObject(parent), m_session(session), m_timeout(timeout)
{}

FileDownload::~FileDownload()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
    }
}

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

    QNetworkRequest request(url);
    request.setTransferTimeout(static_cast<int>(m_timeout.count()));
    m_reply = m_session->get(request);
    // Counted here rather than taken from the reply's progress signal, which Qt holds back while
    // it arrives faster than its reporting interval and then stays quiet until more bytes come.
    connect(m_reply, &QNetworkReply::readyRead, this, [this] {
        const QByteArray chunk = m_reply->readAll();
        if (!m_writeError.isEmpty())
            return;
        if (m_partial->write(chunk) != chunk.size()) {
            m_writeError = m_partial->errorString();
            m_reply->abort();
            return;
        }
        m_received += chunk.size();
        const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
        emit progress(m_received, length.isValid() ? length.toLongLong() : -1);
    });
    connect(m_reply, &QNetworkReply::finished, this, &FileDownload::finish);
}

void FileDownload::finish()
{
    QNetworkReply* reply = m_reply;
    reply->deleteLater();
    m_reply = nullptr;
    if (!m_writeError.isEmpty())
        return fail(m_writeError);
    if (reply->error() == QNetworkReply::OperationCanceledError)
        return fail(QStringLiteral("The download timed out."));
    // Unlike a service's JSON answer, an error page is never the file that was asked for.
    if (reply->error() != QNetworkReply::NoError)
        return fail(reply->errorString());
    const QByteArray rest = reply->readAll();
    if (m_partial->write(rest) != rest.size() || !m_partial->flush())
        return fail(m_partial->errorString());
    m_partial->close();

    const QString destination = QDir(m_folder).filePath(fileNameFor(reply->url(), m_fallback));
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

// With the class rather than among all the meta-objects: a program that does not use it links
// neither it nor Qt Network.
#include "moc_FileDownload.cpp"
