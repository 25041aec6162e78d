#pragma once

#include <QString>

namespace tidewell {

// Where the Vercel REST API and the Vercel dashboard live. Both are build settings; an environment
// variable of the same name overrides each at run time, so that tests, proxies and staging need no
// rebuild. Neither ends in a slash.
class VercelOrigins
{
public:
    static inline const char* const kApiVariable = "TIDEWELL_VERCEL_API_ORIGIN";
    static inline const char* const kDashboardVariable = "TIDEWELL_VERCEL_DASHBOARD_ORIGIN";

    static QString apiOrigin();
    static QString dashboardOrigin();
};

} // namespace tidewell
