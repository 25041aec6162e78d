#include "deployments/VercelDashboard.h"

namespace tidewell {

namespace {

QString segment(const QString& text)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

} // namespace

QString VercelDashboard::accountName(const UserResponse& user, const std::optional<TeamsResponse>& teams,
                                     const std::optional<QString>& selectedTeam)
{
    if (selectedTeam && teams) {
        for (const Team& team : teams->teams) {
            if (team.id == *selectedTeam)
                return team.slug;
        }
    }
    return user.user.username;
}

QUrl VercelDashboard::deploymentsPage(const QString& dashboardOrigin, const QString& accountName,
                                      const QString& projectName)
{
    return QUrl(dashboardOrigin + QLatin1Char('/') + segment(accountName) + QLatin1Char('/') +
                    segment(projectName) + QStringLiteral("/deployments"),
                QUrl::StrictMode);
}

} // namespace tidewell
