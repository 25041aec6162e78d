#include "platform/GitBranchReader.h"

#include "platform/RegularFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <optional>
#include <sys/stat.h>

namespace tidewell {

namespace {

constexpr qsizetype kMaxSmallFile = 4096;

std::optional<QByteArray> readRegularFile(const QString& path)
{
    Result<QByteArray> content = RegularFile::read(path, kMaxSmallFile);
    return content ? std::optional(std::move(content).value()) : std::nullopt;
}

// The git directory that a ".git" entry stands for, or empty when it is neither a repository
// folder nor a "gitdir:" file.
QString gitDirectoryOf(const QString& dotGit)
{
    const QFileInfo info(dotGit);
    if (info.isDir())
        return QFileInfo::exists(dotGit + QStringLiteral("/HEAD")) ? dotGit : QString();
    if (!info.isFile())
        return {};
    const QByteArray content = readRegularFile(dotGit).value_or(QByteArray()).trimmed();
    static const QByteArray prefix = "gitdir:";
    if (!content.startsWith(prefix))
        return {};
    const QString target = QString::fromUtf8(content.mid(prefix.size()).trimmed());
    return QDir(info.absolutePath()).absoluteFilePath(target);
}

// The HEAD file of the repository holding `folder`, found by walking up; empty when there is none.
QString headFileFor(const QString& folder)
{
    QDir dir(QFileInfo(folder).absoluteFilePath());
    for (;;) {
        const QString gitDir = gitDirectoryOf(dir.filePath(QStringLiteral(".git")));
        if (!gitDir.isEmpty())
            return gitDir + QStringLiteral("/HEAD");
        if (!dir.cdUp())
            return {};
    }
}

QString branchInHead(const QString& headFile)
{
    if (headFile.isEmpty())
        return {};
    const QByteArray head = readRegularFile(headFile).value_or(QByteArray()).trimmed();
    static const QByteArray branchPrefix = "ref: refs/heads/";
    if (!head.startsWith(branchPrefix))
        return {};
    return QString::fromUtf8(head.mid(branchPrefix.size()));
}

bool isFolder(const QString& folder)
{
    return !folder.isEmpty() && QFileInfo(folder).isDir();
}

} // namespace

GitBranchReader::GitBranchReader(int rootRecheckMs) : m_rootRecheckMs(rootRecheckMs)
{
    m_clock.start();
}

QString GitBranchReader::readBranch(const QString& folder)
{
    return isFolder(folder) ? branchInHead(headFileFor(folder)) : QString();
}

GitBranchReader::Stamp GitBranchReader::stampOf(const QString& path)
{
    struct stat status
    {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &status) != 0)
        return {};
#ifdef Q_OS_DARWIN
    const timespec modified = status.st_mtimespec;
#else
    const timespec modified = status.st_mtim;
#endif
    return Stamp{quint64(status.st_dev), quint64(status.st_ino),
                 qint64(modified.tv_sec) * 1'000'000'000 + modified.tv_nsec, qint64(status.st_size)};
}

QString GitBranchReader::currentBranch(const QString& folder)
{
    if (!isFolder(folder))
        return {};
    const qint64 now = m_clock.elapsed();
    std::optional<Folder> known;
    {
        const QMutexLocker lock(&m_mutex);
        if (const auto it = m_folders.constFind(folder); it != m_folders.cend())
            known = *it;
    }
    // The files are read without the lock, so one slow folder holds up no other.
    Folder entry = known.value_or(Folder{});
    Stamp stamp;
    const bool rootTrusted = known && now - entry.rootFoundMs < m_rootRecheckMs;
    if (rootTrusted)
        stamp = stampOf(entry.head);
    const QString knownHead = entry.head;
    // A repository that went away is looked for again at once.
    if (!rootTrusted || (!entry.head.isEmpty() && stamp == Stamp{})) {
        entry.head = headFileFor(folder);
        entry.rootFoundMs = now;
        stamp = stampOf(entry.head);
    }
    if (!known || entry.head != knownHead || stamp != entry.stamp) {
        entry.branch = branchInHead(entry.head);
        entry.stamp = stamp;
    }
    const QMutexLocker lock(&m_mutex);
    if (m_folders.size() >= kMaxFolders && !m_folders.contains(folder))
        m_folders.clear();
    m_folders.insert(folder, entry);
    return entry.branch;
}

} // namespace tidewell
