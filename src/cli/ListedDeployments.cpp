#include "cli/ListedDeployments.h"

#include "deployments/VercelClient.h"
#include "deployments/VercelCredentialFile.h"
#include "deployments/VercelOrigins.h"
#include "deployments/VercelProjectLink.h"

#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QSet>
#include <cstdio>

namespace tidewell {

namespace {

// "deployment" of one linked entry: the project, and the state and time of its latest deployment.
QJsonObject deploymentJson(const ProjectObject& project)
{
    QJsonObject object{{QStringLiteral("projectId"), project.id}, {QStringLiteral("name"), project.name}};
    if (project.latestDeployments.isEmpty())
        return object;
    const Deployments& latest = project.latestDeployments.first();
    object.insert(QStringLiteral("state"), readyStateText(latest.readyState));
    if (const auto at = latest.deployedAt())
        object.insert(QStringLiteral("time"),
                      QDateTime::fromMSecsSinceEpoch(qint64(*at), Qt::UTC).toString(Qt::ISODateWithMs));
    return object;
}

} // namespace

QHash<QString, QJsonObject> ListedDeployments::lookUp(const QList<PortData>& entries,
                                                      const std::optional<QString>& team)
{
    QHash<QString, QString> projectOfEntry;
    for (const PortData& entry : entries) {
        if (const auto info = entry.processInfo()) {
            if (const auto link = VercelProjectLink::find(info->cwd, QDir::homePath()))
                projectOfEntry.insert(entry.portKey(), link->projectId);
        }
    }
    if (projectOfEntry.isEmpty())
        return {};
    auto say = [](const QString& line) { std::fprintf(stderr, "%s\n", line.toUtf8().constData()); };
    const std::optional<QString> token = VercelCredentialFile::readVercelToken([](const QString&) {});
    if (!token) {
        say(QStringLiteral("No Vercel token: the deployments of linked projects are not shown"));
        return {};
    }
    const VercelClient client(VercelOrigins::apiOrigin(), token);
    QHash<QString, ProjectObject> projects;
    const QSet<QString> ids(projectOfEntry.cbegin(), projectOfEntry.cend());
    qsizetype pending = ids.size();
    QEventLoop loop;
    for (const QString& id : ids) {
        client.fetchProject(id, team, [&, id](const Result<ProjectObject>& reply) {
            if (reply)
                projects.insert(id, reply.value());
            else
                say(QStringLiteral("Linked Vercel project ") + id + QStringLiteral(" not shown: ") +
                    reply.error());
            if (--pending == 0)
                loop.quit();
        });
    }
    loop.exec();
    QHash<QString, QJsonObject> deployments;
    for (auto it = projectOfEntry.cbegin(); it != projectOfEntry.cend(); ++it) {
        if (const auto project = projects.constFind(it.value()); project != projects.cend())
            deployments.insert(it.key(), deploymentJson(*project));
    }
    return deployments;
}

} // namespace tidewell
