#include "notifications/ServerNotifier.h"

#include "notifications/NotificationSink.h"
#include "ports/PortListRefresher.h"
#include "state/AppState.h"

namespace tidewell {

namespace {

// The page title the row shows, or the process name for a page without one.
QString nameOf(const PortData& server)
{
    const std::optional<HTMLData> page = server.htmlData();
    return page && !page->title.trimmed().isEmpty() ? page->title.trimmed() : server.processName();
}

} // namespace

ServerNotifier::ServerNotifier(AppState* state, PortListRefresher* refresher, NotificationSink* sink,
                               QObject* parent)
    : QObject(parent), m_state(state), m_refresher(refresher), m_sink(sink)
{
    connect(refresher, &PortListRefresher::checkFinished, this, &ServerNotifier::checkFinished);
    connect(refresher, &PortListRefresher::portsChanged, this, &ServerNotifier::portsChanged);
    connect(state, &AppState::isVisibleChanged, this, &ServerNotifier::updateClosedWindowChecks);
    connect(state, &AppState::notificationSettingsChanged, this, &ServerNotifier::updateClosedWindowChecks);
    m_closedWindowChecks.setInterval(kClosedWindowCheckMs);
    // A scan still running skips the tick, so a slow host is not asked twice at once.
    connect(&m_closedWindowChecks, &QTimer::timeout, refresher, &PortListRefresher::checkPorts);
    updateClosedWindowChecks();
}

Notification ServerNotifier::started(const PortData& server)
{
    return {tr("Server started"), tr("%1 on port %2").arg(nameOf(server), server.port()), {}};
}

Notification ServerNotifier::stopped(const PortData& server)
{
    return {tr("Server stopped"), tr("%1 on port %2").arg(nameOf(server), server.port()), {}};
}

void ServerNotifier::updateClosedWindowChecks()
{
    // With the window open its own two-second tick refreshes the list.
    if (m_state->notifyServerChanges() && !m_state->isVisible())
        m_closedWindowChecks.start();
    else
        m_closedWindowChecks.stop();
}

void ServerNotifier::checkFinished()
{
    if (m_hasFirstListing)
        return;
    // Rows stored during the first listing were there before the program was.
    m_hasFirstListing = true;
    m_known = m_refresher->ports();
}

void ServerNotifier::portsChanged()
{
    if (!m_hasFirstListing)
        return;
    const QHash<QString, PortData>& current = m_refresher->ports();
    // Known servers are followed with the switch off too, so that turning it on brings no old news.
    const bool notify = m_state->notifyServerChanges();
    QList<PortData> gone;
    for (auto known = m_known.cbegin(); known != m_known.cend(); ++known) {
        if (!current.contains(known.key()))
            gone.append(known.value());
    }
    QList<PortData> arrived;
    for (auto row = current.cbegin(); row != current.cend(); ++row) {
        if (!m_known.contains(row.key()))
            arrived.append(row.value());
    }
    m_known = current;
    if (!notify)
        return;
    for (const PortData& server : PortListRefresher::sortedByPortAndPid(gone))
        m_sink->show(stopped(server));
    for (const PortData& server : PortListRefresher::sortedByPortAndPid(arrived))
        m_sink->show(started(server));
}

} // namespace tidewell
