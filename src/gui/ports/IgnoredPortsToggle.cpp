#include "gui/ports/IgnoredPortsToggle.h"

#include "gui/widgets/SymbolIcons.h"

#include <QPainter>

namespace tidewell {

namespace {

constexpr int kArrowSide = 12;
constexpr int kGap = 4;

} // namespace

IgnoredPortsToggle::IgnoredPortsToggle(QWidget* parent)
    : QAbstractButton(parent), m_arrow(SymbolIcons::symbol(QStringLiteral("arrow.down")))
{
    setObjectName(QStringLiteral("ignoredPortsToggle"));
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setShowingIgnored(false);
}

void IgnoredPortsToggle::setShowingIgnored(bool showing)
{
    m_showing = showing;
    setText(showing ? tr("Hide All Ports") : tr("Show All Ports"));
    update();
}

QFont IgnoredPortsToggle::labelFont() const
{
    QFont font = this->font();
    font.setPixelSize(12);
    return font;
}

QSize IgnoredPortsToggle::sizeHint() const
{
    const QFontMetrics metrics(labelFont());
    return {metrics.horizontalAdvance(text()) + kGap + kArrowSide + 8,
            std::max(metrics.height(), kArrowSide) + 8};
}

void IgnoredPortsToggle::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setFont(labelFont());
    QColor color = palette().color(QPalette::WindowText);
    if (!underMouse())
        color.setAlphaF(0.8f);
    painter.setPen(color);
    const QRect area = rect().adjusted(4, 0, -4, 0);
    const QRect textArea = area.adjusted(0, 0, -(kGap + kArrowSide), 0);
    painter.drawText(textArea, Qt::AlignRight | Qt::AlignVCenter, text());

    // The arrow points to the trailing side while the other listeners are hidden.
    const QPointF centre(area.right() - kArrowSide / 2.0, area.center().y() + 0.5);
    painter.translate(centre);
    if (!m_showing)
        painter.rotate(-90);
    m_arrow.paint(&painter, QRect(-kArrowSide / 2, -kArrowSide / 2, kArrowSide, kArrowSide));
}

} // namespace tidewell
