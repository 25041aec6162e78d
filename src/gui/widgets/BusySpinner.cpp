#include "gui/widgets/BusySpinner.h"

#include <QPainter>
#include <QVariantAnimation>

namespace tidewell {

BusySpinner::BusySpinner(QWidget* parent) : QWidget(parent), m_spin(new QVariantAnimation(this))
{
    setFixedSize(sizeHint());
    m_spin->setStartValue(0.0);
    m_spin->setEndValue(360.0);
    m_spin->setDuration(900);
    m_spin->setLoopCount(-1);
    connect(m_spin, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_angle = value.toReal();
        update();
    });
}

void BusySpinner::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF ring = QRectF(rect()).adjusted(2, 2, -2, -2);
    QColor track = palette().color(QPalette::WindowText);
    track.setAlphaF(0.2f);
    painter.setPen(QPen(track, 2));
    painter.drawEllipse(ring);
    QPen arc(palette().color(QPalette::WindowText), 2);
    arc.setCapStyle(Qt::RoundCap);
    painter.setPen(arc);
    painter.drawArc(ring, int(-m_angle * 16), 100 * 16);
}

// A hidden spinner costs nothing: the animation runs only while it can be seen.
void BusySpinner::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_spin->start();
}

void BusySpinner::hideEvent(QHideEvent* event)
{
    m_spin->stop();
    QWidget::hideEvent(event);
}

} // namespace tidewell
