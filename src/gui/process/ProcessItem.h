#pragma once

#include "gui/process/AppServices.h"
#include "records/ProjectObject.h"

#include <QPointer>
#include <QWidget>
#include <optional>

class QLabel;
class QStackedWidget;
class QToolButton;

namespace tidewell {

class AppTypeIcon;
class RowHoverLook;
class DelayPopover;
class ElidedLabel;
class FailureLine;
class ProcessIcon;
class ReadyStateIcon;
class RemoteMachine;

// One listening port as a row: product and framework marks, page title, port and stop button;
// in x-ray mode also the process's CPU share, memory and git branch, which the list's
// XrayStatsPoller reads for every row in view; beside the port the state of the latest deployment of
// the Vercel project its folder is linked to. A server of a remote machine has the same row: its page
// opens through a forward of the machine's connection, and its stop is checked on the machine.
class ProcessItem : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kPopoverDelayMs = 500;

    // A small row is one of the other listeners shown below the list; only full rows open their
    // page when clicked.
    ProcessItem(const PortData& port, bool small, const AppServices* services, QWidget* parent = nullptr);
    // A server listed by `machine`. Its page opens at a free local port forwarded to it, shown on the
    // row and kept while the row is.
    ProcessItem(const PortData& port, RemoteMachine* machine, const AppServices* services,
                QWidget* parent = nullptr);
    ~ProcessItem() override;

    const PortData& port() const { return m_port; }
    bool isSmall() const { return m_small; }
    const std::optional<ProcessStats>& stats() const { return m_stats; }
    // A new reading; an absent one clears the figures.
    void setStats(const std::optional<ProcessStats>& stats);
    DelayPopover* popover() const { return m_popover; }
    RowHoverLook* rowHoverLook() const { return m_rowHoverLook; }
    // The Vercel project the server's folder is linked to, as far as it is known, and the state of
    // its latest deployment beside the port.
    const std::optional<ProjectObject>& linkedProject() const { return m_linkedProject; }
    ReadyStateIcon* deploymentIcon() const { return m_deploymentIcon; }
    // The machine a remote server runs on; null for a server of this one.
    RemoteMachine* remoteMachine() const;
    // The local port forwarded to a remote server's port; 0 before its page was opened.
    int forwardedPort() const { return m_forwardedPort; }
    // A new row for the same remote process takes over the forward of the old one.
    void takeForwardFrom(ProcessItem& old);

    // The stop button's action: a polite signal to the process, sent off the interface thread.
    // A process that still listens when the wait ends gets a "Force stop" button, which
    // forceStop() presses: a kill after the same check.
    void stopProcess();
    void forceStop();
    // The keyboard's actions on the highlighted row; a small row opens no page, as on a click.
    void openPage();
    void copyCommand();
    void showDetails();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // The pages of the stop area, in the stack's order.
    enum class StopPage
    {
        stop,
        spinner,
        force,
        notPermitted
    };

    ProcessItem(const PortData& port, bool small, RemoteMachine* machine, const AppServices* services,
                QWidget* parent);
    void buildLayout();
    void showStopPage(StopPage page);
    void sendStop(StopSignal signal);
    void stopEnded(StopResult result);
    void openForwardedPage();
    void showForward(int localPort);
    void xrayModeChanged(bool on);
    void updateStatsLine();
    void updateLinkedProject();
    QWidget* makeDetails();

    PortData m_port;
    bool m_small;
    QPointer<RemoteMachine> m_machine;
    const AppServices* m_services;
    int m_forwardedPort = 0;
    bool m_isKilling = false;
    std::optional<ProcessStats> m_stats;
    bool m_pressed = false;
    std::optional<ProjectObject> m_linkedProject;

    ProcessIcon* m_processIcon = nullptr;
    AppTypeIcon* m_appTypeIcon = nullptr;
    QWidget* m_statsLine = nullptr;
    QLabel* m_cpu = nullptr;
    QLabel* m_memory = nullptr;
    ElidedLabel* m_branch = nullptr;
    QStackedWidget* m_stopStack = nullptr;
    QToolButton* m_stopButton = nullptr;
    QWidget* m_portLabel = nullptr;
    ReadyStateIcon* m_deploymentIcon = nullptr;
    FailureLine* m_failure = nullptr;
    QLabel* m_forward = nullptr;
    DelayPopover* m_popover = nullptr;
    RowHoverLook* m_rowHoverLook = nullptr;
};

} // namespace tidewell
