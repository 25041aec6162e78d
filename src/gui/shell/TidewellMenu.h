#pragma once

#include <QObject>
#include <QPointer>

class QSystemTrayIcon;
#include <QWidget>

namespace tidewell {

class AppMenu;
class MenuBarExtraAccess;

// The program's one visible item: the "hammer" icon in the tray with the window that drops down
// from it. Where the desktop has no tray, the window opens as an ordinary small window instead.
class TidewellMenu : public QObject
{
    Q_OBJECT
public:
    static constexpr int kMenuHeight = 60;

    explicit TidewellMenu(AppMenu* menu, QObject* parent = nullptr);
    ~TidewellMenu() override;

    // Puts the icon in the tray, or opens the ordinary window when there is no tray.
    void start();

    bool isMenuPresented() const { return m_isMenuPresented; }
    void setMenuPresented(bool presented);
    bool hasTray() const { return m_tray != nullptr; }
    QSystemTrayIcon* trayIcon() const { return m_tray; }
    QWidget* window() const { return m_window; }

signals:
    void menuPresentedChanged(bool presented);

private:
    void presentedChanged(bool presented);

    AppMenu* m_menu;
    QSystemTrayIcon* m_tray = nullptr;
    MenuBarExtraAccess* m_access;
    QPointer<QWidget> m_window;
    int m_itemIndex = -1;
    bool m_isMenuPresented = false;
    qreal m_menuHeight = kMenuHeight;
};

} // namespace tidewell
