#include "gui/widgets/RowHoverLook.h"

#include "gui/widgets/HoverScaleEffect.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>
#include <QWidget>

namespace tidewell {

RowHoverLook::RowHoverLook(QWidget* row, int height)
    : QObject(row), m_row(row), m_height(height), m_animation(new QVariantAnimation(this)),
      m_effect(new HoverScaleEffect(row))
{
    row->setCursor(Qt::PointingHandCursor);
    row->setFixedHeight(height);
    row->setAttribute(Qt::WA_Hover);
    row->installEventFilter(this);
    // Resting rows are drawn directly; the effect only works while a row is enlarged.
    m_effect->setEnabled(false);
    row->setGraphicsEffect(m_effect);
    m_animation->setDuration(150);
    m_animation->setEasingCurve(QEasingCurve::InOutQuad);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_progress = value.toReal();
        m_effect->setEnabled(m_progress > 0);
        m_effect->setScale(currentScale());
        m_row->update();
    });
}

qreal RowHoverLook::currentScale() const
{
    return 1.0 + (kHoverScale - 1.0) * m_progress;
}

bool RowHoverLook::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_row) {
        switch (event->type()) {
        case QEvent::Enter:
            setHovered(true);
            break;
        case QEvent::Leave:
            setHovered(false);
            break;
        case QEvent::Hide:
            setHovered(false);
            break;
        case QEvent::Paint:
            paintHighlight();
            break;
        case QEvent::ToolTip:
            // A resting pointer opens the row's details; the tooltip, which names the keys, comes
            // with the keyboard's highlight instead, so the two never cover each other.
            return true;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

void RowHoverLook::setHovered(bool hovered)
{
    if (hovered == m_isHovered)
        return;
    m_isHovered = hovered;
    animateTo(m_isHovered || m_isHighlighted ? 1.0 : 0.0);
}

void RowHoverLook::setHighlighted(bool highlighted)
{
    if (highlighted == m_isHighlighted)
        return;
    m_isHighlighted = highlighted;
    animateTo(m_isHovered || m_isHighlighted ? 1.0 : 0.0);
}

void RowHoverLook::animateTo(qreal progress)
{
    m_animation->stop();
    m_animation->setStartValue(m_progress);
    m_animation->setEndValue(progress);
    m_animation->start();
}

// Painted from the row's own paint event, before the row draws its content over it.
void RowHoverLook::paintHighlight()
{
    if (m_progress <= 0)
        return;
    QPainter painter(m_row);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = m_row->palette().color(QPalette::WindowText);
    fill.setAlphaF(float(0.1 * m_progress));
    QPainterPath path;
    path.addRoundedRect(QRectF(m_row->rect()), 8, 8);
    painter.fillPath(path, fill);
    // The keyboard's highlight also gets a ring: the faint shade alone hardly shows.
    if (m_isHighlighted) {
        QColor ring = m_row->palette().color(QPalette::Highlight);
        ring.setAlphaF(float(m_progress));
        // Inside the row's edge, where a pen on the edge would be half cut off.
        painter.setPen(QPen(ring, 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(m_row->rect()).adjusted(1, 1, -1, -1), 7, 7);
    }
}

} // namespace tidewell
