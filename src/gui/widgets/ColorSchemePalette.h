#pragma once

#include "platform/DesktopAppearance.h"

#include <QObject>
#include <QPalette>

namespace tidewell {

// Keeps the application's palette on the desktop's colour scheme: a dark or a light palette while
// the desktop prefers one, the platform theme's own palette when it says nothing. Windows, popovers
// and the symbols drawn in the palette's colours (the tray's hammer among them) follow at once.
class ColorSchemePalette : public QObject
{
    Q_OBJECT
public:
    explicit ColorSchemePalette(DesktopAppearance* appearance, QObject* parent = nullptr);

    // The palette for a scheme the desktop prefers; for no preference, the platform theme's.
    static QPalette paletteFor(DesktopAppearance::ColorScheme scheme);

private:
    void apply(DesktopAppearance::ColorScheme scheme);

    DesktopAppearance::ColorScheme m_applied = DesktopAppearance::ColorScheme::noPreference;
};

} // namespace tidewell
