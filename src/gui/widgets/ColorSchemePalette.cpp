#include "gui/widgets/ColorSchemePalette.h"

#include <QApplication>

namespace tidewell {

namespace {

struct Colours
{
    QColor window, text, base, alternate, button, highlight, highlightedText, tipBase, link, disabled;
};

QPalette paletteOf(const Colours& colours)
{
    QPalette palette;
    palette.setColor(QPalette::Window, colours.window);
    palette.setColor(QPalette::WindowText, colours.text);
    palette.setColor(QPalette::Base, colours.base);
    palette.setColor(QPalette::AlternateBase, colours.alternate);
    palette.setColor(QPalette::Text, colours.text);
    palette.setColor(QPalette::Button, colours.button);
    palette.setColor(QPalette::ButtonText, colours.text);
    palette.setColor(QPalette::BrightText, Qt::red);
    palette.setColor(QPalette::Highlight, colours.highlight);
    palette.setColor(QPalette::HighlightedText, colours.highlightedText);
    palette.setColor(QPalette::ToolTipBase, colours.tipBase);
    palette.setColor(QPalette::ToolTipText, colours.text);
    palette.setColor(QPalette::PlaceholderText, colours.disabled);
    palette.setColor(QPalette::Link, colours.link);
    palette.setColor(QPalette::LinkVisited, colours.link);
    palette.setColor(QPalette::Light, colours.button.lighter(130));
    palette.setColor(QPalette::Midlight, colours.button.lighter(115));
    palette.setColor(QPalette::Mid, colours.button.darker(130));
    palette.setColor(QPalette::Dark, colours.button.darker(160));
    palette.setColor(QPalette::Shadow, Qt::black);
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, colours.disabled);
    return palette;
}

} // namespace

ColorSchemePalette::ColorSchemePalette(DesktopAppearance* appearance, QObject* parent) : QObject(parent)
{
    connect(appearance, &DesktopAppearance::colorSchemeChanged, this, &ColorSchemePalette::apply);
    apply(appearance->colorScheme());
}

QPalette ColorSchemePalette::paletteFor(DesktopAppearance::ColorScheme scheme)
{
    switch (scheme) {
    case DesktopAppearance::ColorScheme::dark:
        return paletteOf({QColor(0x24, 0x24, 0x26), QColor(0xf2, 0xf2, 0xf2), QColor(0x1c, 0x1c, 0x1e),
                          QColor(0x2c, 0x2c, 0x2e), QColor(0x3a, 0x3a, 0x3c), QColor(0x0a, 0x84, 0xff),
                          Qt::white, QColor(0x3a, 0x3a, 0x3c), QColor(0x64, 0xb5, 0xff),
                          QColor(0x8e, 0x8e, 0x93)});
    case DesktopAppearance::ColorScheme::light:
        return paletteOf({QColor(0xf5, 0xf5, 0xf7), QColor(0x1d, 0x1d, 0x1f), Qt::white,
                          QColor(0xf0, 0xf0, 0xf2), QColor(0xe8, 0xe8, 0xed), QColor(0x00, 0x7a, 0xff),
                          Qt::white, QColor(0xff, 0xff, 0xf0), QColor(0x00, 0x66, 0xcc),
                          QColor(0x8e, 0x8e, 0x93)});
    case DesktopAppearance::ColorScheme::noPreference:
        break;
    }
    // A palette that sets nothing takes every colour from the platform theme.
    return QPalette();
}

void ColorSchemePalette::apply(DesktopAppearance::ColorScheme scheme)
{
    // With no preference from the start, the platform theme's palette is already the one in use.
    if (scheme == m_applied && scheme == DesktopAppearance::ColorScheme::noPreference)
        return;
    m_applied = scheme;
    QApplication::setPalette(paletteFor(scheme));
}

} // namespace tidewell
