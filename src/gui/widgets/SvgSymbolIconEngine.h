#pragma once

#include <QByteArray>
#include <QIconEngine>
#include <QPixmap>

namespace tidewell {

// Draws one SVG on demand at whatever size and pixel ratio is asked, so icons stay sharp on any
// screen. Symbols are drawn in the application palette's text colour at the moment of painting,
// which keeps them readable when the desktop switches between light and dark.
class SvgSymbolIconEngine : public QIconEngine
{
public:
    enum class Colouring
    {
        // `currentColor` becomes the palette's text colour and `#fff` the window colour (used as
        // a thin rim where a drawing must stand out on a panel of the opposite shade).
        palette,
        // Full-colour artwork, drawn as is.
        asDrawn,
    };

    SvgSymbolIconEngine(const QByteArray& svg, Colouring colouring);

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override;
    QIconEngine* clone() const override;
    QString key() const override;
    bool isNull() override;

private:
    // The drawing recoloured for one mode, and the name its pictures have in the pixmap cache.
    struct Coloured
    {
        qint64 paletteKey = -1;
        QByteArray document;
        QString cacheName;
    };

    QByteArray documentFor(QIcon::Mode mode) const;
    const Coloured& colouredFor(QIcon::Mode mode);
    void render(QPainter* painter, const QRect& rect, QIcon::Mode mode) const;

    QByteArray m_svg;
    Colouring m_colouring;
    bool m_valid;
    // Kept per mode until the palette changes: building the document and its name on every
    // paint cost more than drawing the cached picture.
    Coloured m_coloured[4];
};

} // namespace tidewell
