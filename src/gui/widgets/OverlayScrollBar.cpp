#include "gui/widgets/OverlayScrollBar.h"

#include <QAbstractScrollArea>
#include <QEvent>

namespace tidewell {

OverlayScrollBar::OverlayScrollBar(QAbstractScrollArea* area) : QScrollBar(Qt::Vertical, area), m_area(area)
{
    setObjectName(QStringLiteral("overlayScrollBar"));
    setAccessibleName(tr("Scroll the list"));
    // A style sheet gives the thin bar on every style, and drops the arrow buttons: the style's
    // own geometry then matches what is drawn, so dragging the handle works as on any bar.
    setStyleSheet(
        QStringLiteral(
            "QScrollBar:vertical { background: transparent; width: %1px; margin: 0; border: none; }"
            "QScrollBar::handle:vertical { background: rgba(128, 128, 128, 150); border-radius: %2px;"
            " min-height: 24px; }"
            "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; border: none;"
            " background: none; }"
            "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }")
            .arg(kWidth)
            .arg(kWidth / 2));
    area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QScrollBar* source = area->verticalScrollBar();
    connect(source, &QScrollBar::rangeChanged, this, &OverlayScrollBar::followRange);
    connect(source, &QScrollBar::valueChanged, this, &QScrollBar::setValue);
    connect(this, &QScrollBar::valueChanged, source, &QScrollBar::setValue);
    followRange(source->minimum(), source->maximum());
    setValue(source->value());
    area->installEventFilter(this);
    place();
}

void OverlayScrollBar::followRange(int minimum, int maximum)
{
    QScrollBar* source = m_area->verticalScrollBar();
    setPageStep(source->pageStep());
    setSingleStep(source->singleStep());
    setRange(minimum, maximum);
    setVisible(maximum > minimum);
    raise();
}

void OverlayScrollBar::place()
{
    const QRect viewport = m_area->viewport()->geometry();
    setGeometry(viewport.right() + 1 - kWidth, viewport.top(), kWidth, viewport.height());
}

bool OverlayScrollBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_area && (event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest))
        place();
    return QScrollBar::eventFilter(watched, event);
}

} // namespace tidewell
