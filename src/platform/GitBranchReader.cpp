#include "platform/GitBranchReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tidewell {

namespace {

constexpr qint64 kMaxSmallFile = 4096;

QByteArray readSmallFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(kMaxSmallFile);
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
    const QByteArray content = readSmallFile(dotGit).trimmed();
    static const QByteArray prefix = "gitdir:";
    if (!content.startsWith(prefix))
        return {};
    const QString target = QString::fromUtf8(content.mid(prefix.size()).trimmed());
    return QDir(info.absolutePath()).absoluteFilePath(target);
}

} // namespace

QString currentGitBranch(const QString& folder)
{
    QFileInfo start(folder);
    if (folder.isEmpty() || !start.isDir())
        return {};
    QDir dir(start.absoluteFilePath());
    for (;;) {
        const QString gitDir = gitDirectoryOf(dir.filePath(QStringLiteral(".git")));
        if (!gitDir.isEmpty()) {
            const QByteArray head = readSmallFile(gitDir + QStringLiteral("/HEAD")).trimmed();
            static const QByteArray branchPrefix = "ref: refs/heads/";
            if (!head.startsWith(branchPrefix))
                return {};
            return QString::fromUtf8(head.mid(branchPrefix.size()));
        }
        if (!dir.cdUp())
            return {};
    }
}

} // namespace tidewell
