#include "gui/widgets/TabButton.h"

#include "gui/widgets/SymbolIcons.h"

#include <QFocusEvent>
#include <QPainter>
#include <QVariantAnimation>
#include <cmath>

namespace tidewell {

namespace {

constexpr int kIconSide = 16;

QColor withAlpha(QColor color, qreal alpha)
{
    color.setAlphaF(float(alpha));
    return color;
}

} // namespace

TabButton::TabButton(const QString& symbolName, const QColor& accent, QWidget* parent)
    : QAbstractButton(parent), m_symbolName(symbolName), m_icon(SymbolIcons::symbol(symbolName)),
      m_accent(accent), m_scaleAnimation(new QVariantAnimation(this)),
      m_bounceAnimation(new QVariantAnimation(this))
{
    setCursor(Qt::PointingHandCursor);
    setFixedSize(sizeHint());
    m_scaleAnimation->setObjectName(QStringLiteral("iconScaleAnimation"));
    m_scaleAnimation->setDuration(200);
    connect(m_scaleAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_iconScale = value.toReal();
        update();
    });
    m_bounceAnimation->setDuration(350);
    m_bounceAnimation->setStartValue(0.0);
    m_bounceAnimation->setEndValue(1.0);
    connect(m_bounceAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_lift = 4.0 * std::sin(value.toReal() * M_PI);
        update();
    });
}

void TabButton::setSymbol(const QString& symbolName)
{
    if (symbolName == m_symbolName)
        return;
    m_symbolName = symbolName;
    m_icon = SymbolIcons::symbol(symbolName);
    update();
}

void TabButton::setSelected(bool selected)
{
    m_selected = selected;
    update();
}

QColor TabButton::iconColor() const
{
    return m_selected ? withAlpha(m_accent, 0.8) : palette().color(QPalette::WindowText);
}

QColor TabButton::barColor() const
{
    return m_selected ? m_accent : withAlpha(palette().color(QPalette::WindowText), 0.3);
}

void TabButton::setIconScale(qreal scale)
{
    m_scaleAnimation->stop();
    m_scaleAnimation->setStartValue(m_iconScale);
    m_scaleAnimation->setEndValue(scale);
    m_scaleAnimation->start();
}

void TabButton::bounce()
{
    m_bounceAnimation->stop();
    m_bounceAnimation->start();
}

bool TabButton::isBouncing() const
{
    return m_bounceAnimation->state() == QAbstractAnimation::Running;
}

void TabButton::focusInEvent(QFocusEvent* event)
{
    m_keyboardFocus = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason ||
                      event->reason() == Qt::ShortcutFocusReason;
    QAbstractButton::focusInEvent(event);
}

void TabButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (isCheckable() && isChecked()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(withAlpha(m_accent, 0.22));
        painter.drawRoundedRect(QRectF(2, 0, width() - 4, kBarTop - 2), 5, 5);
    }

    // The symbol is drawn as a mask and filled with the state's colour.
    const qreal ratio = devicePixelRatioF();
    const int side = int(std::ceil(kIconSide * m_iconScale));
    QPixmap tinted = m_icon.pixmap(QSize(side, side), ratio);
    {
        QPainter tint(&tinted);
        tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
        tint.fillRect(tinted.rect(), iconColor());
    }
    const QPointF centre(width() / 2.0, (kBarTop - 2) / 2.0 - m_lift);
    const QSizeF logical = QSizeF(tinted.size()) / tinted.devicePixelRatio();
    painter.drawPixmap(QRectF(centre - QPointF(logical.width() / 2, logical.height() / 2), logical), tinted,
                       QRectF(tinted.rect()));

    painter.fillRect(QRectF(4, kBarTop, width() - 8, kBarHeight), barColor());
    // The keyboard's place, round the symbol.
    if (hasFocus() && m_keyboardFocus) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(2, 1, width() - 4, kBarTop - 3), 5, 5);
    }
}

} // namespace tidewell
