#include "gui/shell/MenuKeyboardControl.h"

#include "gui/ports/PortsTab.h"
#include "gui/process/ProcessItem.h"
#include "gui/quicklaunch/QuickLaunchItem.h"
#include "gui/quicklaunch/QuickLaunchList.h"
#include "gui/shell/AppMenu.h"
#include "gui/widgets/AccessibleItem.h"
#include "gui/widgets/HintLabel.h"
#include "gui/widgets/RowHoverLook.h"
#include "ports/PortListRefresher.h"
#include "remote/RemoteMachine.h"
#include "state/AppState.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollArea>

namespace tidewell {

namespace {

RowHoverLook* cursorOf(QWidget* row)
{
    if (auto* item = qobject_cast<ProcessItem*>(row))
        return item->rowHoverLook();
    if (auto* item = qobject_cast<QuickLaunchItem*>(row))
        return item->rowHoverLook();
    return nullptr;
}

// What names a row across scans: a row whose data changed is drawn anew under the same key.
QString keyOf(QWidget* row)
{
    if (auto* item = qobject_cast<ProcessItem*>(row)) {
        // The same port may listen on this machine and on remote ones.
        RemoteMachine* machine = item->remoteMachine();
        return machine
                   ? item->port().portKey() + QLatin1Char('@') + machine->connection().destination().text()
                   : item->port().portKey();
    }
    if (auto* item = qobject_cast<QuickLaunchItem*>(row))
        return item->item()->uuid();
    return {};
}

// The tabs in the header's order, left to right.
constexpr SelectedTab kTabOrder[] = {SelectedTab::vercel, SelectedTab::ports, SelectedTab::quickLaunch};

} // namespace

MenuKeyboardControl::MenuKeyboardControl(AppMenu* menu, const AppServices* services)
    : QObject(menu), m_menu(menu), m_services(services)
{
    QCoreApplication::instance()->installEventFilter(this);
    AppState* state = m_services->state;
    connect(state, &AppState::selectedTabChanged, this, [this] { highlight(nullptr); });
    connect(state, &AppState::isVisibleChanged, this, [this] { highlight(nullptr); });
    // What is typed narrows the rows; the first that stays is the one Enter opens. The rows follow
    // the words in the same turn of the event loop, so the highlight waits for the next.
    // A row drawn anew takes the highlight over, once the window has laid out the new rows.
    connect(m_services->refresher, &PortListRefresher::portsChanged, this, [this] {
        QMetaObject::invokeMethod(
            this, [this] { (void)highlightedRow(); }, Qt::QueuedConnection);
    });
    connect(state, &AppState::filterTextChanged, this, [this](const QString& text) {
        QMetaObject::invokeMethod(
            this,
            [this, empty = text.isEmpty()] {
                const QList<QWidget*> shown = rows();
                highlight(empty || shown.isEmpty() ? nullptr : shown.first());
            },
            Qt::QueuedConnection);
    });
}

QWidget* MenuKeyboardControl::highlightedRow()
{
    const QList<QWidget*> shown = rows();
    if (m_row && shown.contains(m_row.data()))
        return m_row;
    const auto same = std::find_if(shown.cbegin(), shown.cend(),
                                   [this](QWidget* row) { return !m_key.isEmpty() && keyOf(row) == m_key; });
    if (same == shown.cend())
        return nullptr;
    highlight(*same);
    return *same;
}

QList<QWidget*> MenuKeyboardControl::rows() const
{
    const AppState* state = m_services->state;
    if (state->selectedView() != SelectedView::home)
        return {};
    QList<QWidget*> result;
    if (state->selectedTab() == SelectedTab::quickLaunch)
        return m_menu->quickLaunchTab()->rows();
    if (state->selectedTab() == SelectedTab::ports) {
        const PortsTab* ports = m_menu->portsTab();
        for (ProcessItem* row : ports->portRows() + ports->remoteRows() + ports->ignoredRows())
            result.append(row);
    }
    return result;
}

void MenuKeyboardControl::highlight(QWidget* row)
{
    if (RowHoverLook* cursor = m_row && m_row != row ? cursorOf(m_row) : nullptr) {
        cursor->setHighlighted(false);
        AccessibleItem::setState(m_row, AccessibleItem::State::highlighted, false);
    }
    if (!row && m_hint)
        m_hint->hide();
    m_row = row;
    m_key = keyOf(row);
    if (RowHoverLook* cursor = row ? cursorOf(row) : nullptr) {
        cursor->setHighlighted(true);
        AccessibleItem::setState(row, AccessibleItem::State::highlighted, true);
        m_menu->listScroll()->ensureWidgetVisible(row, 0, 0);
        if (!m_hint)
            m_hint = new HintLabel(m_menu);
        m_hint->showNextTo(row, row->toolTip());
    }
}

void MenuKeyboardControl::move(int step)
{
    const QList<QWidget*> shown = rows();
    if (shown.isEmpty())
        return;
    const qsizetype at = m_row ? shown.indexOf(m_row.data()) : -1;
    // From nothing, Down starts at the top and Up at the bottom.
    const qsizetype next =
        at < 0 ? (step > 0 ? 0 : shown.size() - 1) : std::clamp<qsizetype>(at + step, 0, shown.size() - 1);
    highlight(shown[next]);
}

void MenuKeyboardControl::selectNextTab(int step)
{
    AppState* state = m_services->state;
    const auto at = std::find(std::begin(kTabOrder), std::end(kTabOrder), state->selectedTab());
    const qsizetype count = std::size(kTabOrder);
    state->setSelectedTab(kTabOrder[(std::distance(std::begin(kTabOrder), at) + step + count) % count]);
}

bool MenuKeyboardControl::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;
    auto* target = static_cast<QWidget*>(watched);
    if (target->window() != m_menu->window())
        return false;
    return keyPressed(target, static_cast<QKeyEvent*>(event));
}

bool MenuKeyboardControl::keyPressed(QWidget* target, QKeyEvent* event)
{
    if (m_services->state->selectedView() != SelectedView::home)
        return false;
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const bool back =
        event->key() == Qt::Key_Backtab || (event->key() == Qt::Key_Tab && modifiers == Qt::ShiftModifier);
    if (back || (event->key() == Qt::Key_Tab && modifiers == Qt::NoModifier)) {
        selectNextTab(back ? -1 : 1);
        return true;
    }
    if (m_services->state->selectedTab() == SelectedTab::vercel)
        return false;
    QLineEdit* field = m_menu->filterField();
    const bool inField = target == field;
    if ((event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) && modifiers == Qt::NoModifier) {
        move(event->key() == Qt::Key_Down ? 1 : -1);
        // From here Space and Delete act on the rows; typing goes back to the field.
        if (inField)
            m_menu->setFocus();
        return true;
    }
    if (event->key() == Qt::Key_Backspace && !inField && !field->isHidden()) {
        field->backspace();
        field->setFocus();
        return true;
    }
    QWidget* row = highlightedRow();
    return row && actOnRow(row, event, inField);
}

bool MenuKeyboardControl::actOnRow(QWidget* row, QKeyEvent* event, bool inField)
{
    auto* port = qobject_cast<ProcessItem*>(row);
    auto* saved = qobject_cast<QuickLaunchItem*>(row);
    if (event->matches(QKeySequence::Copy)) {
        // A selection in the field is copied as usual.
        if (inField && m_menu->filterField()->hasSelectedText())
            return false;
        port ? port->copyCommand() : saved->copyCommand();
        return true;
    }
    if (event->modifiers() & ~Qt::KeypadModifier)
        return false;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        port ? port->openPage() : saved->relaunch();
        return true;
    case Qt::Key_Delete:
        if (inField)
            return false;
        port ? port->stopProcess() : saved->remove();
        return true;
    case Qt::Key_Space:
        if (inField)
            return false;
        port ? port->showDetails() : saved->showDetails();
        return true;
    default:
        return false;
    }
}

} // namespace tidewell
