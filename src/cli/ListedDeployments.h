#pragma once

#include "records/PortData.h"

#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <optional>

namespace tidewell {

// What `tidewell --list --json` adds to a server whose folder is linked to a Vercel project: the
// project and its latest deployment. Goes online.
namespace ListedDeployments {

// The deployments of the entries whose folders are linked, by entry key, for `team` (none: the
// personal account). Without a token, and for a project the account cannot see, there is none;
// each is said once on standard error.
QHash<QString, QJsonObject> lookUp(const QList<PortData>& entries, const std::optional<QString>& team);

} // namespace ListedDeployments

} // namespace tidewell
