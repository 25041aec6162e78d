#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSystemTrayIcon>
#include <functional>

class QWidget;

namespace tidewell {

// Reaches the application's menu-bar items: the tray icon and the window that drops down from
// it. Items are addressed by their index, in the order they were added. The window is a popup, so
// a click anywhere else closes it; a click on the icon opens or closes it.
class MenuBarItems : public QObject
{
    Q_OBJECT
public:
    // A two-way Boolean: the item reads it and writes it when the user opens or closes the window.
    struct PresentedBinding
    {
        std::function<bool()> get;
        std::function<void(bool)> set;
    };

    // A click on the icon within this time after an outside click closed the window is the same
    // click, seen twice; it must not reopen the window.
    static constexpr int kReopenGuardMs = 300;

    explicit MenuBarItems(QObject* parent = nullptr);

    // `icon` may be null where the desktop has no tray; the window is then an ordinary one. A window
    // that is not `placedUnderIcon` is left where the window manager puts it.
    int addMenuBarItem(QSystemTrayIcon* icon, QWidget* window, bool placedUnderIcon = true);

    // Setting the binding to true opens the window, to false closes it, as a click on the icon
    // would; when the user opens or closes it, the binding follows.
    void bindMenuBarItemPresented(int index, PresentedBinding binding);
    // Calls back with the item's window once it exists.
    void captureMenuBarItemWindow(int index, std::function<void(QWidget*)> callback);

    // What a write to the binding does.
    void setPresented(int index, bool presented);
    // Puts the window back in its place under the icon, after its size changed.
    void placeWindow(int index);
    // Where the window drops down from: the icon, or where the pointer was when the window was
    // opened where the tray does not say where its icon is (StatusNotifierItem hosts).
    QRect anchor(int index) const { return m_items.value(index).anchor; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Item
    {
        QPointer<QSystemTrayIcon> icon;
        QPointer<QWidget> window;
        PresentedBinding binding;
        QElapsedTimer hiddenAt;
        bool placedUnderIcon = true;
        QRect anchor;
    };

    void iconActivated(int index, QSystemTrayIcon::ActivationReason reason);
    void windowVisibilityChanged(int index, bool visible);
    int indexOfWindow(const QObject* window) const;

    QList<Item> m_items;
};

} // namespace tidewell
