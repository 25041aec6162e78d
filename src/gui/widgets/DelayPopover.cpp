#include "gui/widgets/DelayPopover.h"

#include "gui/widgets/PopoverWindow.h"

#include <QCursor>
#include <QEvent>
#include <QLineF>
#include <QWidget>

namespace tidewell {

DelayPopover::DelayPopover(QWidget* row, int delayMs, TextFactory title, ViewFactory headingView,
                           ViewFactory body)
    : QObject(row), m_row(row), m_title(std::move(title)), m_headingView(std::move(headingView)),
      m_body(std::move(body)), m_pointerPosition([] { return QCursor::pos(); })
{
    // A child by name, so that tests can see whether a look at the pointer is pending.
    m_workItem.setParent(this);
    m_workItem.setObjectName(QStringLiteral("popoverDelay"));
    m_workItem.setSingleShot(true);
    // A coarse timer may fire 5 % early, and the rest must last the whole delay.
    m_workItem.setTimerType(Qt::PreciseTimer);
    m_workItem.setInterval(delayMs);
    connect(&m_workItem, &QTimer::timeout, this, &DelayPopover::runWorkItem);
    row->installEventFilter(this);
}

void DelayPopover::closePopup()
{
    if (m_popover)
        m_popover->close();
}

bool DelayPopover::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_row) {
        if (event->type() == QEvent::Enter) {
            m_step = Step::noteInitialPosition;
            m_workItem.start();
        } else if (event->type() == QEvent::Leave || event->type() == QEvent::Hide) {
            m_workItem.stop();
        } else if (event->type() == QEvent::Wheel && m_workItem.isActive()) {
            // The list is scrolling under the pointer: the rest starts again once it stops.
            m_step = Step::noteInitialPosition;
            m_workItem.start();
        }
    }
    return QObject::eventFilter(watched, event);
}

void DelayPopover::runWorkItem()
{
    if (m_step == Step::noteInitialPosition) {
        m_initialMousePosition = m_pointerPosition();
        m_initialRowPosition = m_row->mapToGlobal(QPoint(0, 0));
        m_step = Step::comparePosition;
        m_workItem.start();
        return;
    }
    const QPoint now = m_pointerPosition();
    if (m_initialMousePosition && QLineF(*m_initialMousePosition, now).length() < kMaxPointerTravel &&
        m_row->mapToGlobal(QPoint(0, 0)) == m_initialRowPosition)
        openPopup();
}

void DelayPopover::openPopup()
{
    // A row on its way out is disabled: it has nothing left to show.
    if (m_popover || !m_row->isVisible() || !m_row->isEnabled())
        return;
    m_popover = new PopoverWindow(m_title(), m_headingView ? m_headingView() : nullptr,
                                  m_body ? m_body() : nullptr, m_row->window());
    m_popover->showBelow(QRect(m_row->mapToGlobal(QPoint(0, 0)), m_row->size()));
    emit popupShown();
}

} // namespace tidewell
