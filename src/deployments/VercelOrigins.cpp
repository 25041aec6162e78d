#include "deployments/VercelOrigins.h"

namespace tidewell {

namespace {

QString originFrom(const char* variable, const char* built)
{
    QString origin = qEnvironmentVariable(variable);
    if (origin.isEmpty())
        origin = QString::fromUtf8(built);
    // Paths are appended with their own slash.
    while (origin.endsWith(QLatin1Char('/')))
        origin.chop(1);
    return origin;
}

} // namespace

QString VercelOrigins::apiOrigin()
{
    return originFrom(kApiVariable, TIDEWELL_VERCEL_API_ORIGIN);
}

QString VercelOrigins::dashboardOrigin()
{
    return originFrom(kDashboardVariable, TIDEWELL_VERCEL_DASHBOARD_ORIGIN);
}

} // namespace tidewell
