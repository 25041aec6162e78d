#include "gui/process/XrayStatsPoller.h"

#include "gui/process/ProcessItem.h"
#include "state/AppState.h"
#include "state/AsyncTask.h"

#include <QPointer>

namespace tidewell {

XrayStatsPoller::XrayStatsPoller(const AppServices* services, RowList rows, QObject* parent)
    : QObject(parent), m_services(services), m_rows(std::move(rows))
{
    m_timer.setInterval(kIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (m_services->state->xrayMode() && m_services->state->isVisible())
            readNow();
    });
    connect(m_services->state, &AppState::xrayModeChanged, this, &XrayStatsPoller::xrayModeChanged);
    connect(m_services->state, &AppState::isVisibleChanged, this, &XrayStatsPoller::updateTimer);
    updateTimer();
}

QList<ProcessItem*> XrayStatsPoller::rowsInView() const
{
    QList<ProcessItem*> inView;
    for (ProcessItem* row : m_rows()) {
        if (row && !row->visibleRegion().isEmpty())
            inView.append(row);
    }
    return inView;
}

void XrayStatsPoller::readNow()
{
    // A reading still under way makes the next one redundant.
    if (m_readInFlight || !m_services->readStats)
        return;
    QList<QPointer<ProcessItem>> rows;
    QList<PortData> ports;
    for (ProcessItem* row : rowsInView()) {
        rows.append(row);
        ports.append(row->port());
    }
    if (rows.isEmpty())
        return;
    m_readInFlight = true;
    AsyncTask::runThenCallback(
        m_services->pool, this,
        [read = m_services->readStats, ports] {
            QList<std::optional<ProcessStats>> readings;
            readings.reserve(ports.size());
            for (const PortData& port : ports)
                readings.append(read(port));
            return readings;
        },
        [this, rows](const QList<std::optional<ProcessStats>>& readings) {
            m_readInFlight = false;
            for (qsizetype i = 0; i < rows.size(); ++i) {
                if (rows[i])
                    rows[i]->setStats(readings[i]);
            }
        });
}

void XrayStatsPoller::xrayModeChanged(bool on)
{
    if (on)
        readNow();
    updateTimer();
}

// The timer runs only while a tick could read something, so a closed window costs nothing.
void XrayStatsPoller::updateTimer()
{
    const bool wanted = m_services->state->xrayMode() && m_services->state->isVisible();
    if (wanted && !m_timer.isActive())
        m_timer.start();
    else if (!wanted)
        m_timer.stop();
}

} // namespace tidewell
