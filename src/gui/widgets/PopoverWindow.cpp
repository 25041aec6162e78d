#include "gui/widgets/PopoverWindow.h"

#include "gui/widgets/ElidedLabel.h"
#include "gui/widgets/StandardWidgets.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

namespace tidewell {

namespace {

constexpr int kArrowHeight = 8;
constexpr int kArrowHalfWidth = 9;

} // namespace

PopoverWindow::PopoverWindow(const QString& title, QWidget* headingView, QWidget* body, QWidget* parent)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint),
      // Whether an X11 screen composites is a property of the running desktop that Qt does not
      // publish; the mask looks right on both, where translucency shows black without a compositor.
      m_masked(QGuiApplication::platformName() == QLatin1String("xcb"))
{
    if (!m_masked)
        setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("popover"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 12 + kArrowHeight, 14, 12);
    layout->setSpacing(8);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    auto* heading = new QHBoxLayout;
    auto* titleLabel = new ElidedLabel(Qt::ElideRight, this);
    titleLabel->setObjectName(QStringLiteral("popoverTitle"));
    titleLabel->setFullText(title);
    titleLabel->setMaximumWidth(kMaxTitleWidth);
    QFont titleFont = titleLabel->font();
    titleFont.setBold(true);
    titleLabel->setFont(titleFont);
    heading->addWidget(titleLabel);
    heading->addStretch(1);
    if (headingView)
        heading->addWidget(headingView);
    auto* close = makeSymbolButton("xmark", tr("Close"), this);
    close->setObjectName(QStringLiteral("popoverClose"));
    connect(close, &QToolButton::clicked, this, &QWidget::close);
    heading->addWidget(close);
    layout->addLayout(heading);
    if (body)
        layout->addWidget(body);
}

void PopoverWindow::showBelow(const QRect& anchor)
{
    adjustSize();
    const QSize size = sizeHint().expandedTo(minimumSizeHint());
    QScreen* screen = QGuiApplication::screenAt(anchor.center());
    const QRect available = screen ? screen->availableGeometry() : QRect(QPoint(0, 0), size);
    int x = anchor.center().x() - size.width() / 2;
    x = std::clamp(x, available.left(), std::max(available.left(), available.right() - size.width() + 1));
    int y = anchor.bottom() + 1;
    if (y + size.height() > available.bottom() + 1)
        y = std::max(available.top(), available.bottom() + 1 - size.height());
    m_arrowX = std::clamp(anchor.center().x() - x, kArrowHalfWidth + 10, size.width() - kArrowHalfWidth - 10);
    move(x, y);
    if (m_masked) {
        resize(size);
        setMask(QRegion(shape().toFillPolygon().toPolygon()));
    }
    show();
}

void PopoverWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // Details that arrive later (a deployment) make the box taller.
    if (m_masked)
        setMask(QRegion(shape().toFillPolygon().toPolygon()));
}

QPainterPath PopoverWindow::shape() const
{
    const QRectF box = QRectF(rect()).adjusted(0.5, kArrowHeight + 0.5, -0.5, -0.5);
    QPainterPath path;
    path.addRoundedRect(box, 10, 10);
    QPainterPath arrow;
    arrow.moveTo(m_arrowX - kArrowHalfWidth, box.top() + 1);
    arrow.lineTo(m_arrowX, 0.5);
    arrow.lineTo(m_arrowX + kArrowHalfWidth, box.top() + 1);
    arrow.closeSubpath();
    return path.united(arrow);
}

void PopoverWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // An opaque window's edge pixels blend into the window's colour, never into black.
    if (m_masked)
        painter.fillRect(rect(), palette().color(QPalette::Window));
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath path = shape();
    QColor border = palette().color(QPalette::WindowText);
    border.setAlphaF(0.2f);
    painter.setPen(border);
    painter.setBrush(palette().color(QPalette::Window));
    painter.drawPath(path);
}

void PopoverWindow::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    emit closed();
}

} // namespace tidewell
