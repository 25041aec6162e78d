#pragma once

#include "gui/process/AppServices.h"

#include <QList>
#include <QWidget>

class QLabel;

namespace tidewell {

class AnimatedRowList;
class ProcessItem;
class RemoteMachineSection;
class XrayStatsPoller;

// The ports tab: one row per development server, "No ports found" when there is none, and, when
// asked for, every other listener below as small rows. One poller reads the x-ray figures of the
// server rows in view. Rows that do not match the words typed to find one leave, and "No matching
// servers" says when none does. Under the local rows, a foldable section for each remote machine.
class PortsTab : public QWidget
{
    Q_OBJECT
public:
    explicit PortsTab(const AppServices* services, QWidget* parent = nullptr);

    void setPorts(const QList<PortData>& ports);
    void setIgnoredPorts(const QList<PortData>& ignored);
    void setAnimated(bool animated);

    QList<ProcessItem*> portRows() const;
    QList<ProcessItem*> ignoredRows() const;
    bool showsNoPortsText() const;
    // One per switched-on remote machine, under the local rows.
    QList<RemoteMachineSection*> remoteSections() const;
    // The rows of the remote machines whose sections are open, in the window's order.
    QList<ProcessItem*> remoteRows() const;
    QString placeholderText() const;

private:
    void showIgnoredPortsChanged(bool show);
    void showPorts();
    // Shows `entries` in `list`, keeping the rows of entries that stay; `ignored` rows are the other
    // listeners'.
    void fillList(AnimatedRowList* list, const QList<PortData>& entries, bool ignored);
    void fillIgnoredList();
    // Tells a screen reader of the servers that came or went since the last list.
    void announceChanges(const QList<PortData>& entries);
    void showRemoteMachines();

    const AppServices* m_services;
    AnimatedRowList* m_portList;
    QLabel* m_noPorts;
    QWidget* m_remoteSections;
    AnimatedRowList* m_ignoredList;
    XrayStatsPoller* m_statsPoller;
    QWidget* m_announcer;
    // The first finished scan is the starting point, not news.
    bool m_announces = false;
    QList<PortData> m_ports;
    QList<PortData> m_ignored;
    bool m_animated = false;
};

} // namespace tidewell
