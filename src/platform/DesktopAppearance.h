#pragma once

#include <QObject>
#include <memory>

namespace tidewell {

// The desktop's light or dark preference and its changes while the program runs. This base knows
// of no preference (the platform theme's palette then stands); a host's own source says more.
// It lives on the interface thread, and its notices arrive there.
class DesktopAppearance : public QObject
{
    Q_OBJECT
public:
    enum class ColorScheme
    {
        noPreference,
        dark,
        light,
    };
    Q_ENUM(ColorScheme)

    explicit DesktopAppearance(QObject* parent = nullptr);

    ColorScheme colorScheme() const { return m_scheme; }

    // The desktop's source on this host: the freedesktop portal's setting on Linux.
    static std::unique_ptr<DesktopAppearance> create();

signals:
    void colorSchemeChanged(DesktopAppearance::ColorScheme scheme);

protected:
    void setColorScheme(ColorScheme scheme);

private:
    ColorScheme m_scheme = ColorScheme::noPreference;
};

} // namespace tidewell
