#include "gui/quicklaunch/QuickLaunchList.h"

#include "gui/quicklaunch/QuickLaunchItem.h"
#include "gui/widgets/AnimatedRowList.h"
#include "gui/widgets/StandardWidgets.h"
#include "ports/PortListRefresher.h"
#include "quicklaunch/QuickLaunchStore.h"
#include "state/AppState.h"
#include "state/SearchWords.h"

#include <QHash>
#include <QLabel>
#include <QVBoxLayout>

namespace tidewell {

QuickLaunchList::QuickLaunchList(const AppServices* services, QWidget* parent)
    : QWidget(parent), m_services(services),
      m_list(new AnimatedRowList(RowSlot::Slide::none, RowSlot::Slide::none, this)),
      m_empty(makePlaceholderLabel(tr("No quick launch"), "noQuickLaunch", this))
{
    setObjectName(QStringLiteral("quickLaunchTab"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_list);
    layout->addWidget(m_empty);

    connect(m_services->state, &AppState::quickLaunchDataChanged, this, &QuickLaunchList::reload);
    connect(m_services->state, &AppState::filterTextChanged, this, &QuickLaunchList::reload);
    if (m_services->refresher)
        connect(m_services->refresher, &PortListRefresher::portsChanged, this,
                &QuickLaunchList::showRunningServers);
    reload();
}

void QuickLaunchList::setAnimated(bool animated)
{
    m_list->setAnimated(animated);
}

void QuickLaunchList::reload()
{
    const QList<QuickLaunchItemPtr> items = QuickLaunchStore::loadQuickLaunchItems(*m_services->state);
    const SearchWords words(m_services->state->filterText());
    QStringList keys;
    QHash<QString, QuickLaunchItemPtr> byUuid;
    for (const QuickLaunchItemPtr& item : items) {
        if (!words.matches(*item))
            continue;
        keys.append(item->uuid());
        byUuid.insert(item->uuid(), item);
    }
    // Saved items never change, so a row that exists for a uuid is always current.
    m_list->setRows(
        keys,
        [this, &byUuid](const QString& uuid) { return new QuickLaunchItem(byUuid.value(uuid), m_services); },
        [](QWidget*, const QString&) { return true; });
    m_empty->setText(items.isEmpty() ? tr("No quick launch") : tr("No matching servers"));
    m_empty->setVisible(keys.isEmpty());
}

void QuickLaunchList::showRunningServers()
{
    const QList<PortData> listed = m_services->refresher->sortedListedPorts();
    for (QWidget* row : m_list->rows())
        qobject_cast<QuickLaunchItem*>(row)->showRunning(listed);
}

QList<QWidget*> QuickLaunchList::rows() const
{
    return m_list->rows();
}

bool QuickLaunchList::showsNoItemsText() const
{
    return !m_empty->isHidden();
}

QString QuickLaunchList::placeholderText() const
{
    return m_empty->text();
}

} // namespace tidewell
