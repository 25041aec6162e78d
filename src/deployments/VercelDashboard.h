#pragma once

#include "records/ProjectObject.h"
#include "records/TeamsResponse.h"
#include "records/UserResponse.h"

#include <QString>
#include <QUrl>

#include <optional>

namespace tidewell {

// The Vercel dashboard page of a project's deployments, under the account that owns the project.
class VercelDashboard
{
public:
    // The user name, or the slug of the chosen team when that team is among `teams` (first match).
    static QString accountName(const UserResponse& user, const std::optional<TeamsResponse>& teams,
                               const std::optional<QString>& selectedTeam);
    // origin/account/project/deployments, the account and the project name each encoded as one path
    // segment so that a "/", "?" or "#" in them cannot lead to another page.
    static QUrl deploymentsPage(const QString& dashboardOrigin, const QString& accountName,
                                const QString& projectName);
};

} // namespace tidewell
