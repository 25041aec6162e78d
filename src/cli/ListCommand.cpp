#include "cli/ListCommand.h"

#include "cli/PortTableFormatter.h"
#include "deployments/DeploymentsFeed.h"
#include "deployments/VercelProjectLink.h"
#include "net/ContainerEngine.h"
#include "ports/PortListRefresher.h"
#include "ports/PortScanner.h"
#include "probe/PageProbe.h"
#include "process/ProcessOrigin.h"
#include "state/SearchWords.h"

#include <QDateTime>
#include <QDir>
#include <QEventLoop>

namespace tidewell {

namespace {

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

ListCommand::ListCommand(const CommandLineOptions& options, Host host, DeploymentsFeed* deployments)
    : m_options(options), m_host(std::move(host)), m_deployments(deployments)
{}

QHash<QString, QJsonObject> ListCommand::linkedDeployments(const QList<PortData>& entries) const
{
    QHash<QString, QString> projectOfEntry;
    for (const PortData& entry : entries) {
        if (const auto info = entry.processInfo()) {
            if (const auto link = VercelProjectLink::find(info->cwd, QDir::homePath()))
                projectOfEntry.insert(entry.portKey(), link->projectId);
        }
    }
    // Each project is asked for once, however many servers it has; then the feed holds the replies.
    for (const QString& projectId : projectOfEntry)
        m_deployments->linkedProject(projectId);
    QEventLoop loop;
    while (m_deployments->isFetchingLinked())
        loop.processEvents(QEventLoop::WaitForMoreEvents);
    QHash<QString, QJsonObject> deployments;
    for (auto it = projectOfEntry.cbegin(); it != projectOfEntry.cend(); ++it) {
        if (const auto project = m_deployments->linkedProject(it.value()))
            deployments.insert(it.key(), deploymentJson(*project));
    }
    return deployments;
}

int ListCommand::run(std::FILE* out)
{
    const PortScanner scanner(m_host.sockets, m_host.processes);
    const ProcessOrigin origin(m_host.processes);
    PageProbe probe;
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
    QList<PortData> entries = refresher.sortedListedPorts();
    if (m_options.all)
        entries += refresher.sortedIgnoredPorts();
    const SearchWords words(m_options.words);
    entries.removeIf([&words](const PortData& entry) { return !words.matches(entry); });
    const QByteArray text = m_options.json
                                ? PortTableFormatter::json(entries, unanswered,
                                                           m_deployments ? linkedDeployments(entries)
                                                                         : QHash<QString, QJsonObject>())
                                : PortTableFormatter::table(entries, unanswered);
    std::fwrite(text.constData(), 1, size_t(text.size()), out);
    std::fflush(out);
    return 0;
}

} // namespace tidewell
