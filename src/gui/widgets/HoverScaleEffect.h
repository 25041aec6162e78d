#pragma once

#include <QGraphicsEffect>

namespace tidewell {

// Draws a widget, children included, scaled about its centre.
class HoverScaleEffect : public QGraphicsEffect
{
    Q_OBJECT
public:
    explicit HoverScaleEffect(QObject* parent = nullptr);

    void setScale(qreal scale);
    qreal scale() const { return m_scale; }
    QRectF boundingRectFor(const QRectF& sourceRect) const override;

protected:
    void draw(QPainter* painter) override;

private:
    qreal m_scale = 1.0;
};

} // namespace tidewell
