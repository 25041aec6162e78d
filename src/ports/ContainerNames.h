#pragma once

#include "net/ContainerEngine.h"
#include "ports/PortScanner.h"

#include <QHash>
#include <QSet>
#include <optional>

namespace tidewell {

// Which container stands behind a listener that a container engine's proxy holds for a published
// port: a cache keyed by that port, filled from the engine's answers. Used on one thread.
class ContainerNames
{
public:
    // docker-proxy, rootlessport and Podman's conmon, in full or cut to nine characters as the
    // listing prints them.
    static bool isProxyProcess(const QString& processName);

    // `scan` with every proxy listener whose container is known shown as the container, under its
    // name and with its name and image as title: among the other listeners, and among the
    // candidates, so that its page is asked for like any server's. Ports whose proxy is gone are
    // forgotten.
    ScanResult name(const ScanResult& scan);
    // The proxy listeners of `scan` this cache cannot answer for yet; empty, no request is needed.
    QList<PortData> unknownProxies(const ScanResult& scan) const;
    // Keeps what the engine said about the ports of `asked`; a port it did not list, or an engine
    // that did not answer, is kept as no container until another process holds the port. True when
    // a container was learned.
    bool learn(const QList<PortData>& asked, const Result<QList<ContainerEngine::Container>>& answer);
    void clear() { m_byPort.clear(); }

    // The title of a container's listener: its name and, when known, its image in brackets.
    static QString titleOf(const ContainerEngine::Container& container);

private:
    struct Known
    {
        std::optional<ContainerEngine::Container> container;
        // The proxy processes the answer was for: another one on the port asks again.
        QSet<QString> pids;
    };
    QHash<QString, Known> m_byPort;
};

} // namespace tidewell
