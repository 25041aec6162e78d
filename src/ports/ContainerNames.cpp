#include "ports/ContainerNames.h"

namespace tidewell {

bool ContainerNames::isProxyProcess(const QString& processName)
{
    return processName == QLatin1String("docker-pr") || processName == QLatin1String("docker-proxy") ||
           processName == QLatin1String("rootlessp") || processName == QLatin1String("rootlessport") ||
           processName == QLatin1String("conmon");
}

QString ContainerNames::titleOf(const ContainerEngine::Container& container)
{
    return container.image.isEmpty()
               ? container.name
               : container.name + QStringLiteral(" (") + container.image + QLatin1Char(')');
}

ScanResult ContainerNames::name(const ScanResult& scan)
{
    QSet<QString> proxied;
    ScanResult named = scan;
    // Read through the scan, written only where a container is known: the lists of a scan without
    // one are not copied.
    for (qsizetype i = 0; i < scan.ignored.size(); ++i) {
        const PortData& entry = scan.ignored.at(i);
        if (!isProxyProcess(entry.processName()))
            continue;
        proxied.insert(entry.port());
        const auto known = m_byPort.constFind(entry.port());
        if (known == m_byPort.cend() || !known->container || !known->pids.contains(entry.pid()))
            continue;
        const ProcessIdentity listed = entry.identity();
        PortData server(known->container->name, entry.port(), entry.pid());
        server.setListedIdentity(listed.startTime, listed.socketInode);
        // Its title until its page is found, and for good when it serves none.
        server.setHtmlData(
            HTMLData{titleOf(*known->container), AppType::unknown, std::nullopt, HttpScheme::http});
        named.candidates.append(server);
        named.ignored[i] = server;
    }
    if (!m_byPort.isEmpty())
        m_byPort.removeIf([&proxied](const auto& known) { return !proxied.contains(known.key()); });
    return named;
}

QList<PortData> ContainerNames::unknownProxies(const ScanResult& scan) const
{
    QList<PortData> unknown;
    for (const PortData& entry : scan.ignored) {
        if (!isProxyProcess(entry.processName()))
            continue;
        const auto known = m_byPort.constFind(entry.port());
        if (known == m_byPort.cend() || !known->pids.contains(entry.pid()))
            unknown.append(entry);
    }
    return unknown;
}

bool ContainerNames::learn(const QList<PortData>& asked,
                           const Result<QList<ContainerEngine::Container>>& answer)
{
    QHash<QString, ContainerEngine::Container> byPort;
    if (answer) {
        for (const ContainerEngine::Container& container : answer.value()) {
            for (const int port : container.publicPorts)
                byPort.insert(QString::number(port), container);
        }
    }
    bool learned = false;
    for (const PortData& entry : asked) {
        Known& known = m_byPort[entry.port()];
        const auto container = byPort.constFind(entry.port());
        if (container == byPort.cend()) {
            known.container.reset();
        } else {
            known.container = *container;
            learned = true;
        }
        known.pids.insert(entry.pid());
    }
    return learned;
}

} // namespace tidewell
