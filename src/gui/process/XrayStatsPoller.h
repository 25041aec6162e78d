#pragma once

#include "gui/process/AppServices.h"

#include <QObject>
#include <QTimer>
#include <functional>

namespace tidewell {

class ProcessItem;

// Reads the x-ray figures of the rows in view: all of them in one pool job, once a second while
// x-ray mode is on and the window is open, and at once when x-ray mode is turned on. Rows scrolled
// out of view are not read.
class XrayStatsPoller : public QObject
{
    Q_OBJECT
public:
    static constexpr int kIntervalMs = 1000;
    using RowList = std::function<QList<ProcessItem*>()>;

    XrayStatsPoller(const AppServices* services, RowList rows, QObject* parent = nullptr);

    bool isTimerRunning() const { return m_timer.isActive(); }
    bool isReading() const { return m_readInFlight; }
    // The rows a reading would cover now: those with some part on screen.
    QList<ProcessItem*> rowsInView() const;
    // Reads the rows in view now, unless a reading is still under way.
    void readNow();

private:
    void xrayModeChanged(bool on);
    void updateTimer();

    const AppServices* m_services;
    RowList m_rows;
    QTimer m_timer;
    bool m_readInFlight = false;
};

} // namespace tidewell
