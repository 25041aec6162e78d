#include "cli/ListCommand.h"

#include "cli/PortTableFormatter.h"
#include "platform/ContainerEngine.h"
#include "ports/PortListRefresher.h"
#include "ports/PortScanner.h"
#include "probe/PageProbe.h"
#include "process/ProcessOrigin.h"
#include "state/SearchWords.h"

#include <QEventLoop>

namespace tidewell {

ListCommand::ListCommand(const CommandLineOptions& options, Host host, DeploymentLookup deployments)
    : m_options(options), m_host(std::move(host)), m_deployments(std::move(deployments))
{}

int ListCommand::run(std::FILE* out)
{
    const PortScanner scanner(m_host.sockets, m_host.processes);
    // Trace lines would spoil the table or the JSON on standard output.
    const ProcessOrigin origin(m_host.processes, [](const QString&) {});
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
    const QByteArray text =
        m_options.json
            ? PortTableFormatter::json(entries, unanswered,
                                       m_deployments ? m_deployments(entries) : QHash<QString, QJsonObject>())
            : PortTableFormatter::table(entries, unanswered);
    std::fwrite(text.constData(), 1, size_t(text.size()), out);
    std::fflush(out);
    return 0;
}

} // namespace tidewell
