#include "platform/RegularFile.h"

#include <QCoreApplication>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tidewell {

namespace {

// An open descriptor of a regular file within the cap, or why there is none.
struct Opened
{
    int fd = -1;
    int openError = 0;
    QString refusal;
};

Opened openRegular(const QString& path, qsizetype maxBytes)
{
    Opened opened;
    const QByteArray name = QFile::encodeName(path);
    opened.fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (opened.fd < 0) {
        opened.openError = errno;
        opened.refusal = QString::fromLocal8Bit(std::strerror(opened.openError));
        return opened;
    }
    struct stat status
    {};
    if (::fstat(opened.fd, &status) != 0 || !S_ISREG(status.st_mode))
        opened.refusal = QCoreApplication::translate("RegularFile", "Not a regular file");
    else if (status.st_size > maxBytes)
        opened.refusal = QCoreApplication::translate("RegularFile", "Larger than %1 bytes").arg(maxBytes);
    if (!opened.refusal.isEmpty()) {
        ::close(opened.fd);
        opened.fd = -1;
    }
    return opened;
}

} // namespace

Result<QByteArray> RegularFile::read(const QString& path, qsizetype maxBytes)
{
    const Opened opened = openRegular(path, maxBytes);
    if (opened.fd < 0)
        return Result<QByteArray>::failure(opened.refusal);
    // One byte more than the cap shows a file that grew past it after the check.
    QByteArray content(maxBytes + 1, Qt::Uninitialized);
    qsizetype filled = 0;
    int readError = 0;
    while (filled < content.size()) {
        const ssize_t got = ::read(opened.fd, content.data() + filled, size_t(content.size() - filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            readError = errno;
        if (got <= 0)
            break;
        filled += got;
    }
    ::close(opened.fd);
    if (readError != 0)
        return Result<QByteArray>::failure(QString::fromLocal8Bit(std::strerror(readError)));
    if (filled > maxBytes)
        return Result<QByteArray>::failure(
            QCoreApplication::translate("RegularFile", "Larger than %1 bytes").arg(maxBytes));
    content.truncate(filled);
    return Result<QByteArray>::success(content);
}

Result<bool> RegularFile::check(const QString& path, qsizetype maxBytes)
{
    const Opened opened = openRegular(path, maxBytes);
    if (opened.fd >= 0) {
        ::close(opened.fd);
        return Result<bool>::success(true);
    }
    if (opened.openError == ENOENT)
        return Result<bool>::success(false);
    return Result<bool>::failure(opened.refusal);
}

} // namespace tidewell
