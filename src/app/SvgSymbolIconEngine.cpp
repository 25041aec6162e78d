#include "SvgSymbolIconEngine.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QSvgRenderer>

namespace tidewell {

namespace {

// Faded artwork reads as unavailable next to the palette's disabled text.
constexpr qreal disabledAssetOpacity = 0.4;

QPalette::ColorGroup groupFor(QIcon::Mode mode)
{
    return mode == QIcon::Disabled ? QPalette::Disabled : QPalette::Active;
}

QByteArray colourName(const QColor& colour)
{
    return colour.name(QColor::HexRgb).toLatin1();
}

// Centres the drawing in the asked rectangle, keeping its proportions.
QRectF fitted(const QSizeF& drawing, const QRect& target)
{
    if (drawing.isEmpty())
        return target;
    const QSizeF size = drawing.scaled(target.size(), Qt::KeepAspectRatio);
    return {target.x() + (target.width() - size.width()) / 2,
            target.y() + (target.height() - size.height()) / 2, size.width(), size.height()};
}

} // namespace

SvgSymbolIconEngine::SvgSymbolIconEngine(const QByteArray& svg, Colouring colouring)
    : m_svg(svg), m_colouring(colouring), m_valid(!svg.isEmpty() && QSvgRenderer(svg).isValid())
{}

QByteArray SvgSymbolIconEngine::documentFor(QIcon::Mode mode) const
{
    if (m_colouring == Colouring::asDrawn)
        return m_svg;
    const QPalette palette = QGuiApplication::palette();
    const QPalette::ColorGroup group = groupFor(mode);
    const bool selected = mode == QIcon::Selected;
    const QColor ink = palette.color(group, selected ? QPalette::HighlightedText : QPalette::WindowText);
    const QColor rim = palette.color(group, selected ? QPalette::Highlight : QPalette::Window);
    QByteArray document = m_svg;
    document.replace("currentColor", colourName(ink));
    document.replace("#fff\"", colourName(rim) + '"');
    return document;
}

void SvgSymbolIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state)
{
    Q_UNUSED(state);
    QSvgRenderer renderer(documentFor(mode));
    if (!renderer.isValid())
        return;
    painter->save();
    if (m_colouring == Colouring::asDrawn && mode == QIcon::Disabled)
        painter->setOpacity(painter->opacity() * disabledAssetOpacity);
    renderer.render(painter, fitted(renderer.defaultSize(), rect));
    painter->restore();
}

QPixmap SvgSymbolIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state)
{
    if (!m_valid || size.isEmpty())
        return {};
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
    }
    return QPixmap::fromImage(std::move(image));
}

QPixmap SvgSymbolIconEngine::scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                                          qreal scale)
{
    // QIcon passes the size in device pixels already; drawing at it is what keeps 2x sharp.
    QPixmap drawn = pixmap(size, mode, state);
    drawn.setDevicePixelRatio(scale);
    return drawn;
}

QIconEngine* SvgSymbolIconEngine::clone() const
{
    return new SvgSymbolIconEngine(*this);
}

QString SvgSymbolIconEngine::key() const
{
    return QStringLiteral("SvgSymbolIconEngine");
}

bool SvgSymbolIconEngine::isNull()
{
    return !m_valid;
}

} // namespace tidewell
