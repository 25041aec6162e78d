#include "gui/widgets/SvgSymbolIconEngine.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QPixmapCache>
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

void SvgSymbolIconEngine::render(QPainter* painter, const QRect& rect, QIcon::Mode mode) const
{
    QSvgRenderer renderer(documentFor(mode));
    if (!renderer.isValid())
        return;
    painter->save();
    if (m_colouring == Colouring::asDrawn && mode == QIcon::Disabled)
        painter->setOpacity(painter->opacity() * disabledAssetOpacity);
    renderer.render(painter, fitted(renderer.defaultSize(), rect));
    painter->restore();
}

// Rows repaint often (hover, spinners, x-ray figures); parsing the SVG each time cost more than
// everything else the window draws, so each size, mode and colour is drawn once.
void SvgSymbolIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state)
{
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    const QSize deviceSize = (QSizeF(rect.size()) * ratio).toSize();
    const QPixmap drawn = pixmap(deviceSize, mode, state);
    if (drawn.isNull())
        return;
    painter->drawPixmap(rect, drawn);
}

const SvgSymbolIconEngine::Coloured& SvgSymbolIconEngine::colouredFor(QIcon::Mode mode)
{
    Coloured& coloured = m_coloured[qBound(0, int(mode), 3)];
    const qint64 paletteKey = m_colouring == Colouring::palette ? QGuiApplication::palette().cacheKey() : 0;
    if (coloured.paletteKey != paletteKey || coloured.cacheName.isEmpty()) {
        coloured.paletteKey = paletteKey;
        coloured.document = documentFor(mode);
        // Shared by every icon of the same drawing: twenty rows with a node mark draw it once.
        coloured.cacheName = QStringLiteral("tidewell-svg:%1:%2:")
                                 .arg(QString::number(qHash(coloured.document)))
                                 .arg(int(mode));
    }
    return coloured;
}

QPixmap SvgSymbolIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state)
{
    Q_UNUSED(state);
    if (!m_valid || size.isEmpty())
        return {};
    const Coloured& coloured = colouredFor(mode);
    const QString key = coloured.cacheName + QString::number(size.width()) + QLatin1Char('x') +
                        QString::number(size.height());
    QPixmap result;
    if (QPixmapCache::find(key, &result))
        return result;
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        render(&painter, QRect(QPoint(0, 0), size), mode);
    }
    result = QPixmap::fromImage(std::move(image));
    QPixmapCache::insert(key, result);
    return result;
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
