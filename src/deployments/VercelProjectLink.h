#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace tidewell {

// The Vercel project a folder is linked to: ".vercel/project.json" as `vercel link` writes it, in
// the folder itself or in a parent up to the root of the folder's repository. Found by plain file
// reads that block; callable from any thread.
struct VercelProjectLink
{
    // A link file is a few lines; a larger one is cut and then fails to parse.
    static constexpr qsizetype kMaxFileBytes = 64 * 1024;

    QString projectId;
    QString orgId;
    // The folder holding ".vercel".
    QString folder;

    bool operator==(const VercelProjectLink&) const = default;

    // The nearest link file from `folder` upwards decides. The walk ends at the folder holding
    // ".git" (a file above the repository belongs to another project), else at `home`, else at
    // the root. A file that is not a regular file, or not an object with the two ids as plain ids,
    // links nothing.
    static std::optional<VercelProjectLink> find(const QString& folder, const QString& home);
    static std::optional<VercelProjectLink> parse(const QByteArray& content, const QString& folder);
};

} // namespace tidewell
