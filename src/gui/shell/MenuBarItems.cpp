#include "gui/shell/MenuBarItems.h"

#include "gui/shell/MenuWindowPlacement.h"
#include "platform/LogCategories.h"

#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace tidewell {

MenuBarItems::MenuBarItems(QObject* parent) : QObject(parent) {}

int MenuBarItems::addMenuBarItem(QSystemTrayIcon* icon, QWidget* window, bool placedUnderIcon)
{
    const int index = int(m_items.size());
    m_items.append(Item{icon, window, {}, {}, placedUnderIcon, {}});
    window->installEventFilter(this);
    if (icon) {
        connect(icon, &QSystemTrayIcon::activated, this,
                [this, index](QSystemTrayIcon::ActivationReason reason) { iconActivated(index, reason); });
    }
    return index;
}

void MenuBarItems::bindMenuBarItemPresented(int index, PresentedBinding binding)
{
    if (index < 0 || index >= m_items.size()) {
        qCWarning(lcDesktop).noquote() << (QStringLiteral("Could not determine MenuBarExtra ID"));
        return;
    }
    m_items[index].binding = std::move(binding);
}

void MenuBarItems::captureMenuBarItemWindow(int index, std::function<void(QWidget*)> callback)
{
    if (index < 0 || index >= m_items.size() || !m_items[index].window) {
        qCWarning(lcDesktop).noquote() << (QStringLiteral(
            "Cannot call introspection block for status item because its window could not be found."));
        return;
    }
    callback(m_items[index].window);
}

void MenuBarItems::setPresented(int index, bool presented)
{
    if (index < 0 || index >= m_items.size() || !m_items[index].window)
        return;
    QWidget* window = m_items[index].window;
    if (presented == window->isVisible())
        return;
    if (presented) {
        Item& item = m_items[index];
        // Taken once, when the window opens: the pointer has moved on by the time the window
        // grows to its content and is placed again.
        if (item.icon) {
            const QRect iconRect = item.icon->geometry();
            item.anchor = iconRect.isValid() ? iconRect : QRect(QCursor::pos(), QSize(1, 1));
        }
        window->adjustSize();
        placeWindow(index);
        window->show();
        window->raise();
        window->activateWindow();
    } else {
        window->hide();
    }
}

void MenuBarItems::placeWindow(int index)
{
    const Item& item = m_items[index];
    // An ordinary window is placed by the window manager; only the drop-down follows its icon.
    if (!item.window || !item.icon || !item.placedUnderIcon || !item.anchor.isValid())
        return;
    QScreen* screen = QGuiApplication::screenAt(item.anchor.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QSize size = item.window->size().expandedTo(item.window->sizeHint());
    // The available area leaves out the panels, so the window never lies under one.
    item.window->move(MenuWindowPlacement::position(item.anchor, size, screen->availableGeometry()));
}

void MenuBarItems::iconActivated(int index, QSystemTrayIcon::ActivationReason reason)
{
    // A double click also sends a Trigger for its first click; toggling again would close the
    // window it has just opened.
    if (reason != QSystemTrayIcon::Trigger)
        return;
    Item& item = m_items[index];
    if (!item.window)
        return;
    // Only a popup is closed by the same click that then reaches the icon; a window of its own
    // that Escape just closed opens again at once.
    const bool justClosed = item.window->windowType() == Qt::Popup && item.hiddenAt.isValid() &&
                            item.hiddenAt.elapsed() < kReopenGuardMs;
    if (item.window->isVisible())
        setPresented(index, false);
    else if (!justClosed)
        setPresented(index, true);
}

void MenuBarItems::windowVisibilityChanged(int index, bool visible)
{
    Item& item = m_items[index];
    if (!visible)
        item.hiddenAt.start();
    if (item.binding.get && item.binding.set && item.binding.get() != visible)
        item.binding.set(visible);
}

int MenuBarItems::indexOfWindow(const QObject* window) const
{
    for (int i = 0; i < m_items.size(); ++i) {
        if (m_items[i].window == window)
            return i;
    }
    return -1;
}

bool MenuBarItems::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::Show || type == QEvent::Hide || type == QEvent::Resize) {
        const int index = indexOfWindow(watched);
        if (index >= 0) {
            if (type == QEvent::Resize)
                placeWindow(index);
            else
                windowVisibilityChanged(index, type == QEvent::Show);
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tidewell
