#include "gui/ports/PortsTab.h"

#include "gui/ports/RemoteMachineSection.h"
#include "gui/process/ProcessItem.h"
#include "gui/process/XrayStatsPoller.h"
#include "gui/widgets/AccessibleItem.h"
#include "gui/widgets/AnimatedRowList.h"
#include "gui/widgets/StandardWidgets.h"
#include "ports/PortListRefresher.h"
#include "state/AppState.h"
#include "state/SearchWords.h"

#include <QLabel>
#include <QVBoxLayout>

namespace tidewell {

namespace {

QStringList keysOf(const QList<PortData>& entries)
{
    QStringList keys;
    keys.reserve(entries.size());
    for (const PortData& entry : entries)
        keys.append(entry.portKey());
    return keys;
}

QList<PortData> matching(const QList<PortData>& entries, const QString& filterText)
{
    const SearchWords words(filterText);
    QList<PortData> kept;
    for (const PortData& entry : entries) {
        if (words.matches(entry))
            kept.append(entry);
    }
    return kept;
}

// Rows are looked up by key once each: a hash, not a search of the list per row.
QHash<QString, const PortData*> byKey(const QList<PortData>& entries)
{
    QHash<QString, const PortData*> index;
    index.reserve(entries.size());
    for (const PortData& entry : entries)
        index.insert(entry.portKey(), &entry);
    return index;
}

QList<ProcessItem*> processItems(const AnimatedRowList* list)
{
    QList<ProcessItem*> result;
    for (QWidget* row : list->rows())
        result.append(qobject_cast<ProcessItem*>(row));
    return result;
}

} // namespace

PortsTab::PortsTab(const AppServices* services, QWidget* parent)
    : QWidget(parent), m_services(services),
      m_portList(new AnimatedRowList(RowSlot::Slide::none, RowSlot::Slide::none, this)),
      m_noPorts(makePlaceholderLabel(tr("No ports found"), "noPorts", this)),
      m_remoteSections(new QWidget(this)),
      m_ignoredList(new AnimatedRowList(RowSlot::Slide::fromTrailing, RowSlot::Slide::towardLeading, this)),
      m_statsPoller(new XrayStatsPoller(
          services, [this] { return portRows(); }, this)),
      m_announcer(new QWidget(this))
{
    setObjectName(QStringLiteral("portsTab"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_portList);

    layout->addWidget(m_noPorts);

    m_remoteSections->setObjectName(QStringLiteral("remoteSections"));
    auto* remoteLayout = new QVBoxLayout(m_remoteSections);
    remoteLayout->setContentsMargins(0, 0, 0, 0);
    remoteLayout->setSpacing(0);
    layout->addWidget(m_remoteSections);
    if (m_services->remoteMachines) {
        connect(m_services->remoteMachines, &RemoteMachinesWatcher::machinesChanged, this,
                &PortsTab::showRemoteMachines);
        showRemoteMachines();
    }

    m_ignoredList->setObjectName(QStringLiteral("ignoredList"));
    layout->addWidget(m_ignoredList);
    // Takes no room; assistive technology hears its name change.
    m_announcer->setObjectName(QStringLiteral("announcer"));
    m_announcer->setFixedSize(0, 0);
    AccessibleItem::give(m_announcer, QAccessible::Notification);
    if (m_services->refresher) {
        connect(m_services->refresher, &PortListRefresher::checkFinished, this,
                [this] { m_announces = true; });
    }
    m_ignoredList->setVisible(m_services->state->showIgnoredPorts());
    connect(m_services->state, &AppState::showIgnoredPortsChanged, this, &PortsTab::showIgnoredPortsChanged);
    connect(m_services->state, &AppState::filterTextChanged, this, [this] {
        showPorts();
        showRemoteMachines();
        if (m_services->state->showIgnoredPorts())
            fillIgnoredList();
    });
}

void PortsTab::setAnimated(bool animated)
{
    m_animated = animated;
    m_portList->setAnimated(animated);
    m_ignoredList->setAnimated(animated);
}

void PortsTab::setPorts(const QList<PortData>& entries)
{
    if (m_announces)
        announceChanges(entries);
    m_ports = entries;
    showPorts();
}

void PortsTab::fillList(AnimatedRowList* list, const QList<PortData>& entries, bool ignored)
{
    const auto index = byKey(entries);
    list->setRows(
        keysOf(entries),
        [this, &index, ignored](const QString& key) {
            return new ProcessItem(*index.value(key), ignored, m_services);
        },
        [&index](QWidget* row, const QString& key) {
            return qobject_cast<ProcessItem*>(row)->port() == *index.value(key);
        });
}

void PortsTab::announceChanges(const QList<PortData>& entries)
{
    const auto before = byKey(m_ports);
    const auto after = byKey(entries);
    auto named = [](const PortData& entry) {
        return entry.htmlData() ? entry.htmlData()->title : entry.processName();
    };
    QStringList news;
    for (const PortData& entry : entries) {
        if (!before.contains(entry.portKey()))
            news.append(tr("Server started: %1 on port %2").arg(named(entry), entry.port()));
    }
    for (const PortData& entry : m_ports) {
        if (!after.contains(entry.portKey()))
            news.append(tr("Server stopped: %1 on port %2").arg(named(entry), entry.port()));
    }
    if (!news.isEmpty())
        AccessibleItem::announce(m_announcer, news.join(QStringLiteral(". ")));
}

void PortsTab::showPorts()
{
    const QList<PortData> ports = matching(m_ports, m_services->state->filterText());
    fillList(m_portList, ports, false);
    m_noPorts->setText(m_ports.isEmpty() ? tr("No ports found") : tr("No matching servers"));
    m_noPorts->setVisible(ports.isEmpty());
}

void PortsTab::setIgnoredPorts(const QList<PortData>& ignored)
{
    m_ignored = ignored;
    if (m_services->state->showIgnoredPorts())
        fillIgnoredList();
}

// The other listeners are many and rarely wanted: their rows exist only while they are shown.
void PortsTab::showIgnoredPortsChanged(bool show)
{
    if (show) {
        fillIgnoredList();
        m_ignoredList->show();
    } else {
        m_ignoredList->hide();
        m_ignoredList->setAnimated(false);
        m_ignoredList->setRows({}, {}, {});
        m_ignoredList->setAnimated(m_animated);
    }
}

void PortsTab::fillIgnoredList()
{
    fillList(m_ignoredList, matching(m_ignored, m_services->state->filterText()), true);
}

void PortsTab::showRemoteMachines()
{
    if (!m_services->remoteMachines)
        return;
    auto* layout = static_cast<QVBoxLayout*>(m_remoteSections->layout());
    QHash<QString, RemoteMachineSection*> existing;
    for (RemoteMachineSection* section : remoteSections()) {
        existing.insert(section->destination(), section);
        layout->removeWidget(section);
    }
    const QList<RemoteMachinesWatcher::MachineState> machines = m_services->remoteMachines->machines();
    for (const RemoteMachinesWatcher::MachineState& machine : machines) {
        RemoteMachineSection* section = existing.take(machine.destination);
        if (!section)
            section = new RemoteMachineSection(machine.destination,
                                               m_services->remoteMachines->machine(machine.destination),
                                               *m_services, m_remoteSections);
        layout->addWidget(section);
        section->showState(machine, m_services->state->filterText());
    }
    for (RemoteMachineSection* gone : std::as_const(existing))
        delete gone;
}

QList<RemoteMachineSection*> PortsTab::remoteSections() const
{
    QList<RemoteMachineSection*> sections;
    const QLayout* layout = m_remoteSections->layout();
    for (int i = 0; i < layout->count(); ++i) {
        if (auto* section = qobject_cast<RemoteMachineSection*>(layout->itemAt(i)->widget()))
            sections.append(section);
    }
    return sections;
}

QList<ProcessItem*> PortsTab::portRows() const
{
    return processItems(m_portList);
}

QList<ProcessItem*> PortsTab::remoteRows() const
{
    QList<ProcessItem*> rows;
    for (const RemoteMachineSection* section : remoteSections()) {
        if (!section->isFolded())
            rows += section->rows();
    }
    return rows;
}

QList<ProcessItem*> PortsTab::ignoredRows() const
{
    return processItems(m_ignoredList);
}

bool PortsTab::showsNoPortsText() const
{
    return !m_noPorts->isHidden();
}

QString PortsTab::placeholderText() const
{
    return m_noPorts->text();
}

} // namespace tidewell
