#include "gui/ports/ImpactRevealOverlay.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>

namespace tidewell {

ImpactRevealOverlay::ImpactRevealOverlay(QWidget* covered) : QWidget(covered), m_covered(covered)
{
    setObjectName(QStringLiteral("impactRevealOverlay"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    covered->installEventFilter(this);
    setGeometry(covered->rect());
    hide();
    m_frames.setInterval(kFrameMs);
    connect(&m_frames, &QTimer::timeout, this, [this] {
        // Once the wave has spread and faded there is nothing left to draw. An overlay blend over
        // the whole window on every repaint of a row would cost more than all the rows together.
        if (elapsedSeconds() * 1000 > kRevealMs + kFadeMs) {
            m_frames.stop();
            hide();
            return;
        }
        update();
    });
    m_startDate.start();
}

void ImpactRevealOverlay::setEffectPlaying(bool playing)
{
    m_playing = playing;
    restartClock();
    if (playing) {
        setGeometry(m_covered->rect());
        raise();
        show();
        m_frames.start();
    } else {
        m_frames.stop();
        hide();
    }
}

double ImpactRevealOverlay::elapsedSeconds() const
{
    return double(m_startDate.nsecsElapsed()) / 1e9;
}

void ImpactRevealOverlay::restartClock()
{
    m_startDate.restart();
}

bool ImpactRevealOverlay::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_covered && (event->type() == QEvent::Resize || event->type() == QEvent::ChildAdded)) {
        setGeometry(m_covered->rect());
        if (m_playing)
            raise();
    }
    return QWidget::eventFilter(watched, event);
}

void ImpactRevealOverlay::paintEvent(QPaintEvent*)
{
    if (!m_playing)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double fading = std::clamp((elapsedSeconds() * 1000 - kRevealMs) / kFadeMs, 0.0, 1.0);
    painter.setOpacity(0.1 * (1.0 - fading));
    painter.setCompositionMode(QPainter::CompositionMode_Overlay);

    const qreal progress = std::clamp(elapsedSeconds() * 1000 / kRevealMs, 0.0, 1.0);
    const QPointF origin(width() - 60, 24);
    const qreal reach = std::hypot(width(), height()) * (0.15 + 0.85 * progress);
    QRadialGradient wave(origin, reach);
    const QColor cyan(0, 200, 255);
    const qreal front = std::clamp(1.0 - 0.25 * (1.0 - progress), 0.0, 1.0);
    wave.setColorAt(0.0, cyan.lighter(150));
    wave.setColorAt(std::max(0.0, front - 0.2), cyan);
    wave.setColorAt(front, Qt::white);
    wave.setColorAt(1.0, progress >= 1.0 ? cyan : QColor(Qt::transparent));

    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), 10, 10);
    painter.fillPath(shape, wave);
}

} // namespace tidewell
