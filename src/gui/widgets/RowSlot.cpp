#include "gui/widgets/RowSlot.h"

#include <QVariantAnimation>

namespace tidewell {

RowSlot::RowSlot(QWidget* row, QWidget* parent)
    : QWidget(parent), m_row(row), m_animation(new QVariantAnimation(this))
{
    row->setParent(this);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    m_animation->setDuration(kDurationMs);
    m_animation->setEasingCurve(QEasingCurve::InOutQuad);
    connect(m_animation, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& value) { setProgress(value.toReal()); });
    setProgress(1.0);
}

void RowSlot::appear(bool animated, Slide slide)
{
    m_slide = slide;
    m_row->show();
    if (!animated) {
        setProgress(1.0);
        return;
    }
    setProgress(0.0);
    m_animation->stop();
    m_animation->setStartValue(0.0);
    m_animation->setEndValue(1.0);
    m_animation->start();
}

void RowSlot::leave(bool animated, Slide slide)
{
    m_leaving = true;
    m_slide = slide;
    m_row->setEnabled(false);
    if (!animated) {
        deleteLater();
        return;
    }
    // A running animation would keep its old course; stopping it does not count as finishing.
    m_animation->stop();
    connect(m_animation, &QVariantAnimation::finished, this, &QObject::deleteLater);
    m_animation->setStartValue(m_progress);
    m_animation->setEndValue(0.0);
    m_animation->start();
}

void RowSlot::revive(bool animated)
{
    m_animation->stop();
    disconnect(m_animation, &QVariantAnimation::finished, this, &QObject::deleteLater);
    m_leaving = false;
    m_row->setEnabled(true);
    if (!animated) {
        setProgress(1.0);
        return;
    }
    m_animation->setStartValue(m_progress);
    m_animation->setEndValue(1.0);
    m_animation->start();
}

QSize RowSlot::sizeHint() const
{
    return {m_row->sizeHint().width(), int(m_row->height() * m_progress + 0.5)};
}

QSize RowSlot::minimumSizeHint() const
{
    return {m_row->minimumSizeHint().width(), sizeHint().height()};
}

void RowSlot::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeRow();
}

void RowSlot::setProgress(qreal progress)
{
    m_progress = progress;
    setFixedHeight(int(m_row->height() * progress + 0.5));
    placeRow();
}

void RowSlot::placeRow()
{
    const int travel = width() / 3;
    int x = 0;
    if (m_slide == Slide::fromTrailing && !m_leaving)
        x = int(travel * (1.0 - m_progress));
    else if (m_slide == Slide::towardLeading && m_leaving)
        x = -int(travel * (1.0 - m_progress));
    m_row->setGeometry(x, 0, width(), m_row->height());
}

} // namespace tidewell
