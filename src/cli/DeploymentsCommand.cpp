#include "cli/DeploymentsCommand.h"

#include "cli/TextTable.h"
#include "deployments/RelativeTimeFormatter.h"
#include "deployments/VercelClient.h"
#include "deployments/VercelCredentialFile.h"
#include "deployments/VercelDashboard.h"
#include "deployments/VercelOrigins.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>

namespace tidewell {

namespace {

void print(std::FILE* stream, const QByteArray& text)
{
    std::fwrite(text.constData(), 1, size_t(text.size()), stream);
    std::fflush(stream);
}

void printLine(std::FILE* stream, const QString& line)
{
    print(stream, line.toUtf8() + '\n');
}

} // namespace

DeploymentsCommand::DeploymentsCommand(const CommandLineOptions& options, std::optional<QString> storedTeam)
    : m_options(options), m_storedTeam(std::move(storedTeam))
{}

QString DeploymentsCommand::teamId(const QString& idOrSlug, const TeamsResponse& teams)
{
    for (const Team& team : teams.teams) {
        if (team.id == idOrSlug || team.slug == idOrSlug)
            return team.id;
    }
    return idOrSlug;
}

QByteArray DeploymentsCommand::table(const QList<ProjectObject>& projects, const QString& accountName,
                                     const QString& dashboardOrigin, const QDateTime& now)
{
    QList<QStringList> rows{{QStringLiteral("PROJECT"), QStringLiteral("STATE"), QStringLiteral("DEPLOYED"),
                             QStringLiteral("COMMIT"), QStringLiteral("DASHBOARD")}};
    for (const ProjectObject& project : projects) {
        QString state, deployed, commit;
        if (!project.latestDeployments.isEmpty()) {
            const Deployments& latest = project.latestDeployments.first();
            state = readyStateText(latest.readyState);
            if (const auto at = latest.deployedAt())
                deployed = RelativeTimeFormatter::formatMilliseconds(*at, now);
            commit = latest.meta.commitLine().value_or(QString());
        }
        const QUrl page = VercelDashboard::deploymentsPage(dashboardOrigin, accountName, project.name);
        rows.append({TextTable::field(project.name), state, deployed, TextTable::field(commit),
                     QString::fromUtf8(page.toEncoded())});
    }
    return TextTable::render(rows);
}

QByteArray DeploymentsCommand::json(const QList<ProjectObject>& projects, const QString& accountName,
                                    const QString& dashboardOrigin)
{
    QJsonArray array;
    for (const ProjectObject& project : projects) {
        QJsonObject object = project.toJson();
        const QUrl page = VercelDashboard::deploymentsPage(dashboardOrigin, accountName, project.name);
        object.insert(QStringLiteral("dashboardUrl"), QString::fromUtf8(page.toEncoded()));
        array.append(object);
    }
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}

int DeploymentsCommand::run(std::FILE* out, std::FILE* err)
{
    const std::optional<QString> token = VercelCredentialFile::readVercelToken();
    if (!token) {
        printLine(err, VercelClient::kNoTokenText);
        return 2;
    }
    const VercelClient client(VercelOrigins::apiOrigin(), token);

    QEventLoop loop;
    std::optional<Result<UserResponse>> user;
    std::optional<Result<TeamsResponse>> teams;
    std::optional<Result<ProjectResponse>> projects;
    QString failure;
    auto fetchProjects = [&] {
        if (!user || !teams)
            return;
        if (!*user || !*teams) {
            failure = !*user ? user->error() : teams->error();
            loop.quit();
            return;
        }
        const std::optional<QString> team =
            m_options.team ? std::optional(teamId(*m_options.team, teams->value())) : m_storedTeam;
        client.fetchProjects(team, [&](Result<ProjectResponse> reply) {
            if (!reply)
                failure = reply.error();
            projects = std::move(reply);
            loop.quit();
        });
    };
    // The user and the teams are asked for together; the projects follow, since a team named by its
    // slug needs the teams to find its id.
    client.fetchUser([&](Result<UserResponse> reply) {
        user = std::move(reply);
        fetchProjects();
    });
    client.fetchTeams([&](Result<TeamsResponse> reply) {
        teams = std::move(reply);
        fetchProjects();
    });
    loop.exec();

    if (!failure.isEmpty()) {
        printLine(err, VercelClient::kFailureText);
        printLine(err, failure);
        return 1;
    }
    const std::optional<QString> chosen =
        m_options.team ? std::optional(teamId(*m_options.team, teams->value())) : m_storedTeam;
    const QString account = VercelDashboard::accountName(user->value(), teams->value(), chosen);
    const QList<ProjectObject>& list = projects->value().projects;
    const QString dashboard = VercelOrigins::dashboardOrigin();
    print(out, m_options.json ? json(list, account, dashboard)
                              : table(list, account, dashboard, QDateTime::currentDateTime()));
    return 0;
}

} // namespace tidewell
