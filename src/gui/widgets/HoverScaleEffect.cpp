#include "gui/widgets/HoverScaleEffect.h"

#include <QPainter>

namespace tidewell {

HoverScaleEffect::HoverScaleEffect(QObject* parent) : QGraphicsEffect(parent) {}

void HoverScaleEffect::setScale(qreal scale)
{
    if (qFuzzyCompare(scale, m_scale))
        return;
    m_scale = scale;
    updateBoundingRect();
    update();
}

QRectF HoverScaleEffect::boundingRectFor(const QRectF& sourceRect) const
{
    const qreal dx = sourceRect.width() * (m_scale - 1) / 2;
    const qreal dy = sourceRect.height() * (m_scale - 1) / 2;
    return sourceRect.adjusted(-dx, -dy, dx, dy);
}

void HoverScaleEffect::draw(QPainter* painter)
{
    if (qFuzzyCompare(m_scale, 1.0)) {
        drawSource(painter);
        return;
    }
    QPoint offset;
    const QPixmap pixmap =
        sourcePixmap(Qt::LogicalCoordinates, &offset, QGraphicsEffect::PadToEffectiveBoundingRect);
    const QPointF centre = sourceBoundingRect(Qt::LogicalCoordinates).center();
    painter->save();
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->translate(centre);
    painter->scale(m_scale, m_scale);
    painter->translate(-centre);
    painter->drawPixmap(offset, pixmap);
    painter->restore();
}

} // namespace tidewell
