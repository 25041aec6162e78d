#include "gui/widgets/ToggleSwitch.h"

#include <QPainter>

namespace tidewell {

ToggleSwitch::ToggleSwitch(QWidget* parent) : QAbstractButton(parent)
{
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
}

QSize ToggleSwitch::sizeHint() const
{
    return {32, 18};
}

void ToggleSwitch::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF track = QRectF(rect()).adjusted(1, 1, -1, -1);
    const qreal radius = track.height() / 2;
    QColor off = palette().color(QPalette::WindowText);
    off.setAlphaF(0.2f);
    QColor trackColour = isChecked() ? palette().color(QPalette::Highlight) : off;
    if (!isEnabled())
        trackColour.setAlphaF(trackColour.alphaF() * 0.5f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(trackColour);
    painter.drawRoundedRect(track, radius, radius);

    const qreal knob = track.height() - 4;
    const qreal x = isChecked() ? track.right() - 2 - knob : track.left() + 2;
    painter.setBrush(QColor(Qt::white));
    painter.drawEllipse(QRectF(x, track.top() + 2, knob, knob));
    // The keyboard's place: a ring two pixels wide, in the text colour on a track already in the
    // highlight colour, so that it shows on either track in either scheme.
    if (hasFocus()) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(palette().color(isChecked() ? QPalette::WindowText : QPalette::Highlight), 2));
        painter.drawRoundedRect(track, radius, radius);
    }
}

} // namespace tidewell
