#pragma once

#include "gui/widgets/PopoverWindow.h"

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <optional>

class QWidget;

namespace tidewell {

// Opens a row's details only when the pointer rests on it: after `delay` the pointer position is
// noted; after another `delay` the popover opens if the pointer has stayed within 10 points and the
// row has stayed where it was (rows scrolled under a still pointer are passing, not rested on).
// Leaving the row cancels what is pending and never closes an open popover.
class DelayPopover : public QObject
{
    Q_OBJECT
public:
    using TextFactory = std::function<QString()>;
    using ViewFactory = std::function<QWidget*()>;
    using PointerPosition = std::function<QPoint()>;

    static constexpr qreal kMaxPointerTravel = 10.0;

    DelayPopover(QWidget* row, int delayMs, TextFactory title, ViewFactory headingView, ViewFactory body);

    // Where the pointer is, in screen coordinates; the real cursor unless a test says otherwise.
    void setPointerPosition(PointerPosition position) { m_pointerPosition = std::move(position); }

    bool showPopup() const { return !m_popover.isNull(); }
    PopoverWindow* popover() const { return m_popover; }
    void closePopup();
    // Opens at once, as the keyboard asks; nothing when it is open or the row is on its way out.
    void openPopup();

signals:
    void popupShown();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Step
    {
        noteInitialPosition,
        comparePosition
    };

    void runWorkItem();

    QWidget* m_row;
    TextFactory m_title;
    ViewFactory m_headingView;
    ViewFactory m_body;
    PointerPosition m_pointerPosition;
    QTimer m_workItem;
    Step m_step = Step::noteInitialPosition;
    std::optional<QPoint> m_initialMousePosition;
    QPoint m_initialRowPosition;
    QPointer<PopoverWindow> m_popover;
};

} // namespace tidewell
