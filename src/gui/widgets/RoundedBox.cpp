#include "gui/widgets/RoundedBox.h"

#include <QPainter>
#include <QPainterPath>

namespace tidewell {

RoundedBox::RoundedBox(qreal cornerRadius, QWidget* parent) : QWidget(parent), m_cornerRadius(cornerRadius) {}

void RoundedBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor gray(Qt::gray);
    gray.setAlphaF(0.2f);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), m_cornerRadius, m_cornerRadius);
    painter.fillPath(path, gray);
}

} // namespace tidewell
