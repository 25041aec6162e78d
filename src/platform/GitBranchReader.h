#pragma once

#include <QString>

namespace tidewell {

// The current branch of the work tree holding `folder`, read from the repository's HEAD without
// starting git: what `git branch --show-current` prints there. Empty outside a work tree, on a
// detached HEAD, or when the folder does not exist. Linked worktrees (".git" as a file naming
// the real git directory) are followed.
QString currentGitBranch(const QString& folder);

} // namespace tidewell
