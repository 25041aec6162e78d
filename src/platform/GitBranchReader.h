#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QMutex>
#include <QString>

namespace tidewell {

// The current branch of the work tree holding a folder, read from the repository's HEAD without
// starting git, and remembered: HEAD is read again only when it changes, and the walk up to the
// repository is made again only after a while. Callable from any thread at once.
class GitBranchReader
{
public:
    static constexpr int kDefaultRootRecheckMs = 10'000;
    // More than this many folders and the memory starts over.
    static constexpr qsizetype kMaxFolders = 1024;

    // `rootRecheckMs`: how long the repository found for a folder is trusted without looking for
    // a nearer one (a `git init` in between).
    explicit GitBranchReader(int rootRecheckMs = kDefaultRootRecheckMs);

    // What `git branch --show-current` prints in `folder`: empty outside a work tree, on a
    // detached HEAD, or when the folder does not exist. Linked worktrees (".git" as a file naming
    // the real git directory) are followed. Repository files are read only when they are regular
    // files of a few kilobytes at most: a FIFO or a device named HEAD never blocks.
    QString currentBranch(const QString& folder);

    // The same, read afresh every time.
    static QString readBranch(const QString& folder);

private:
    // What tells one version of HEAD from another without reading it.
    struct Stamp
    {
        quint64 device = 0;
        quint64 inode = 0;
        qint64 modifiedNs = -1;
        qint64 size = -1;
        bool operator==(const Stamp&) const = default;
    };
    struct Folder
    {
        QString head; // the HEAD file of the repository; empty when there is none
        qint64 rootFoundMs = 0;
        Stamp stamp;
        QString branch;
    };

    static Stamp stampOf(const QString& path);

    const int m_rootRecheckMs;
    QElapsedTimer m_clock;
    QMutex m_mutex;
    QHash<QString, Folder> m_folders;
};

// GitBranchReader::readBranch, for one-off callers.
inline QString currentGitBranch(const QString& folder)
{
    return GitBranchReader::readBranch(folder);
}

} // namespace tidewell
