#pragma once

#include "cli/CommandLineOptions.h"
#include "records/ProjectResponse.h"
#include "records/TeamsResponse.h"
#include "records/UserResponse.h"

#include <QDateTime>
#include <QString>

#include <cstdio>
#include <optional>

namespace tidewell {

// `tidewell --deployments`: the user, the teams and the projects of the chosen account fetched once
// from the Vercel API, printed as a table or JSON. Exit 0 on success, 1 when a request fails, 2
// without a token. Nothing it prints holds the token.
class DeploymentsCommand
{
public:
    // `storedTeam` is the team chosen in the window, used unless the options name one.
    DeploymentsCommand(const CommandLineOptions& options, std::optional<QString> storedTeam);

    // Runs the event loop of the current QCoreApplication until the requests end.
    int run(std::FILE* out = stdout, std::FILE* err = stderr);

    // PROJECT, STATE, DEPLOYED, COMMIT, DASHBOARD, one line per project.
    static QByteArray table(const QList<ProjectObject>& projects, const QString& accountName,
                            const QString& dashboardOrigin, const QDateTime& now);
    // Each project as decoded, with its "dashboardUrl".
    static QByteArray json(const QList<ProjectObject>& projects, const QString& accountName,
                           const QString& dashboardOrigin);
    // A team named by id or by slug; a value matching neither is taken as an id.
    static QString teamId(const QString& idOrSlug, const TeamsResponse& teams);

private:
    CommandLineOptions m_options;
    std::optional<QString> m_storedTeam;
};

} // namespace tidewell
