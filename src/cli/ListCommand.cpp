#include "cli/ListCommand.h"

#include "cli/PortTableFormatter.h"
#include "deployments/VercelClient.h"
#include "deployments/VercelCredentialFile.h"
#include "deployments/VercelOrigins.h"
#include "deployments/VercelProjectLink.h"
#include "platform/ContainerEngine.h"
#include "ports/PortListRefresher.h"
#include "ports/PortScanner.h"
#include "probe/PageProbe.h"
#include "probe/SecurePageConnection.h"
#include "process/ProcessOrigin.h"
#include "state/SearchWords.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QEventLoop>

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

// The deployments of the entries whose folders are linked, by entry key. Without a token, and for
// a project the account cannot see, there is none; each is said once on standard error.
QHash<QString, QJsonObject> linkedDeployments(const QList<PortData>& entries,
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

} // namespace

ListCommand::ListCommand(const CommandLineOptions& options, Host host, std::optional<QString> storedTeam)
    : m_options(options), m_host(std::move(host)), m_storedTeam(std::move(storedTeam))
{}

int ListCommand::run(std::FILE* out)
{
    const PortScanner scanner(m_host.sockets, m_host.processes);
    // Trace lines would spoil the table or the JSON on standard output.
    const ProcessOrigin origin(m_host.processes, [](const QString&) {});
    PageProbe probe(&SecurePageConnection::open);
    probe.setDeadlineMs(m_options.timeoutSeconds * 1000);
    PortListRefresher refresher(
        [scanner] { return scanner.scanListeningPorts(); }, &probe,
        [origin](const ProcessIdentity& listed) { return origin.getProcessInfo(listed); });

    // Native lookups read a few files of /proc in microseconds: starting a thread for each of them
    // costs more than the lookup, in a process that lists once and ends.
    if (m_host.backend == Host::Backend::native)
        refresher.setMaxWorkerThreads(1);
    refresher.setContainerLookup(
        [engine = ContainerEngine::fromEnvironment()] { return engine.listContainers(); });
    QEventLoop loop;
    QObject::connect(&refresher, &PortListRefresher::checkFinished, &loop, &QEventLoop::quit);
    refresher.checkPorts();
    loop.exec();

    // A server that did not answer in time is listed as such rather than left out.
    QSet<QString> unanswered;
    for (auto it = refresher.unansweredPorts().cbegin(); it != refresher.unansweredPorts().cend(); ++it)
        unanswered.insert(it.key());
    QList<PortData> entries = PortListRefresher::sortedByPortAndPid(refresher.ports().values() +
                                                                    refresher.unansweredPorts().values());
    if (m_options.all)
        entries += refresher.sortedIgnoredPorts();
    const SearchWords words(m_options.words);
    entries.removeIf([&words](const PortData& entry) { return !words.matches(entry); });
    const QByteArray text =
        m_options.json
            ? PortTableFormatter::json(entries, unanswered, linkedDeployments(entries, m_storedTeam))
            : PortTableFormatter::table(entries, unanswered);
    std::fwrite(text.constData(), 1, size_t(text.size()), out);
    std::fflush(out);
    return 0;
}

} // namespace tidewell
