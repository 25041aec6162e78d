#include "gui/widgets/ElidedLabel.h"

#include <QTextLayout>
#include <algorithm>

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

void ElidedLabel::setMaximumLines(int lines)
{
    m_maximumLines = std::max(1, lines);
    QSizePolicy policy = sizePolicy();
    policy.setHeightForWidth(m_maximumLines > 1);
    setSizePolicy(policy);
    updateGeometry();
    updateShownText();
}

QSize ElidedLabel::minimumSizeHint() const
{
    return {fontMetrics().horizontalAdvance(QStringLiteral("…")) * 2, fontMetrics().height()};
}

QSize ElidedLabel::sizeHint() const
{
    const int height = m_maximumLines > 1 ? heightForWidth(width()) : fontMetrics().height();
    return {fontMetrics().horizontalAdvance(m_fullText) + 2, height};
}

int ElidedLabel::heightForWidth(int width) const
{
    const int lines = int(linesFor(width).size());
    return std::max(1, lines) * fontMetrics().lineSpacing();
}

void ElidedLabel::resizeEvent(QResizeEvent* event)
{
    PlainTextLabel::resizeEvent(event);
    updateShownText();
}

QStringList ElidedLabel::linesFor(int width) const
{
    if (m_maximumLines <= 1 || width <= 0)
        return {fontMetrics().elidedText(m_fullText, m_mode, std::max(0, width))};
    QTextLayout layout(m_fullText, font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        if (lines.size() == m_maximumLines - 1) {
            // The rest of the text, shortened to the last line.
            lines.append(fontMetrics().elidedText(m_fullText.mid(line.textStart()).simplified(),
                                                  Qt::ElideRight, width));
            break;
        }
        lines.append(m_fullText.mid(line.textStart(), line.textLength()).trimmed());
    }
    layout.endLayout();
    return lines;
}

void ElidedLabel::updateShownText()
{
    const QString shown = linesFor(width()).join(QLatin1Char('\n'));
    const bool linesChanged = shown.count(QLatin1Char('\n')) != text().count(QLatin1Char('\n'));
    setText(shown);
    // A title that now takes another line makes its row taller, or one fewer shorter.
    if (linesChanged && m_maximumLines > 1)
        updateGeometry();
}

} // namespace tidewell
