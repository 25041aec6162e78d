#pragma once

#include "platform/TrayHostPresence.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <memory>

class QMenu;
class QSystemTrayIcon;

namespace tidewell {

class AppMenu;
class MenuBarItems;
struct AppServices;

// The program's one visible item: the "hammer" icon in the tray with the window that drops down
// from it. Where the desktop has no tray, the window opens as an ordinary small window instead.
class TidewellMenu : public QObject
{
    Q_OBJECT
public:
    static constexpr int kMenuHeight = 60;
    // How long the panel that held the icon may be gone (a restart) before the window opens on
    // its own, so that the program is never left without a way to reach it.
    static constexpr int kNoTrayHostMs = 5000;
    // The installed icon that panels which colour symbolic icons draw in their own text colour.
    static inline const QString kSymbolicIconName = QStringLiteral("tidewell-symbolic");

    // How the window shows itself, chosen once at start from the desktop.
    enum class WindowMode
    {
        // A frameless popup under the tray icon, closed by a click anywhere else (X11).
        dropDown,
        // A decorated window of its own, where a client cannot place one (Wayland): it closes only
        // on the icon, Escape or its close button, never when another window takes the focus.
        trayWindow,
        // No tray at all: an ordinary window whose closing ends the program.
        ordinary,
    };

    TidewellMenu(AppMenu* menu, const AppServices* services, QObject* parent = nullptr);
    ~TidewellMenu() override;

    // Puts the icon in the tray, or opens the ordinary window when there is no tray. `hosts` tells
    // when the panel holding the icon leaves; the host's own source when null.
    void start(std::unique_ptr<TrayHostPresence> hosts = {});

    bool isMenuPresented() const { return m_isMenuPresented; }
    void setMenuPresented(bool presented);
    bool hasTray() const { return m_tray != nullptr; }
    WindowMode windowMode() const { return m_mode; }
    QSystemTrayIcon* trayIcon() const { return m_tray; }
    // The icon's right-click menu: open the window, refresh, settings, quit.
    QMenu* trayMenu() const { return m_trayMenu; }
    QWidget* window() const { return m_window; }

    // The mode for a desktop with or without a tray on the named Qt platform.
    static WindowMode windowModeFor(bool trayAvailable, const QString& platformName);

signals:
    void quitRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void presentedChanged(bool presented);
    QMenu* buildTrayMenu();
    void applyWindowMode();
    void trayHostChanged(bool present);
    void openWithoutTrayHost();
    QIcon trayIconPicture() const;

    AppMenu* m_menu;
    const AppServices* m_services;
    QSystemTrayIcon* m_tray = nullptr;
    QMenu* m_trayMenu = nullptr;
    MenuBarItems* m_access;
    QPointer<QWidget> m_window;
    std::unique_ptr<TrayHostPresence> m_hosts;
    QTimer m_noTrayHost;
    WindowMode m_mode = WindowMode::ordinary;
    int m_itemIndex = -1;
    bool m_isMenuPresented = false;
    // The panel holding the icon colours symbolic icons, and the theme has ours.
    bool m_symbolicTrayIcon = false;
    qreal m_menuHeight = kMenuHeight;
};

} // namespace tidewell
