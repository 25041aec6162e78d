#include "gui/widgets/ElidedLabel.h"

namespace tidewell {

ElidedLabel::ElidedLabel(Qt::TextElideMode mode, QWidget* parent) : PlainTextLabel(parent), m_mode(mode)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void ElidedLabel::setFullText(const QString& text)
{
    m_fullText = text;
    setToolTip(toolTipFor(text));
    updateGeometry();
    updateShownText();
}

QSize ElidedLabel::minimumSizeHint() const
{
    return {fontMetrics().horizontalAdvance(QStringLiteral("…")) * 2, fontMetrics().height()};
}

QSize ElidedLabel::sizeHint() const
{
    return {fontMetrics().horizontalAdvance(m_fullText) + 2, fontMetrics().height()};
}

void ElidedLabel::resizeEvent(QResizeEvent* event)
{
    PlainTextLabel::resizeEvent(event);
    updateShownText();
}

void ElidedLabel::updateShownText()
{
    setText(fontMetrics().elidedText(m_fullText, m_mode, width()));
}

} // namespace tidewell
