#include "gui/shell/TidewellMenu.h"

#include "gui/shell/AppMenu.h"
#include "gui/shell/MenuBarExtraAccess.h"
#include "gui/widgets/SymbolIcons.h"
#include "platform/Diagnostics.h"

#include <QApplication>
#include <QSystemTrayIcon>
#include <QTimer>

namespace tidewell {

TidewellMenu::TidewellMenu(AppMenu* menu, QObject* parent)
    : QObject(parent), m_menu(menu), m_access(new MenuBarExtraAccess(this))
{}

TidewellMenu::~TidewellMenu()
{
    delete m_tray;
}

void TidewellMenu::start()
{
    const bool trayAvailable = QSystemTrayIcon::isSystemTrayAvailable();
    m_menu->setAttribute(Qt::WA_QuitOnClose, !trayAvailable);
    if (trayAvailable) {
        m_menu->setWindowFlags(Qt::Popup | Qt::FramelessWindowHint);
        m_tray = new QSystemTrayIcon(SymbolIcons::symbol(QStringLiteral("hammer")));
        m_tray->setToolTip(QStringLiteral("Tidewell"));
        // Closing the drop-down must not end a program that lives in the tray.
        QApplication::setQuitOnLastWindowClosed(false);
    } else {
        m_menu->setWindowFlags(Qt::Window);
        m_menu->setWindowTitle(QStringLiteral("Tidewell"));
        m_menu->setWindowIcon(SymbolIcons::symbol(QStringLiteral("hammer")));
        Diagnostics::writeLine(QStringLiteral("No system tray found: Tidewell opens as an ordinary window."));
    }
    m_menu->setAutoFillBackground(true);

    m_itemIndex = m_access->addMenuBarItem(m_tray, m_menu);
    m_access->captureMenuBarItemWindow(m_itemIndex, [this](QWidget* window) { m_window = window; });
    m_access->bindMenuBarItemPresented(
        m_itemIndex,
        {[this] { return m_isMenuPresented; }, [this](bool presented) { presentedChanged(presented); }});
    if (m_tray)
        m_tray->show();
    else
        setMenuPresented(true);
}

void TidewellMenu::setMenuPresented(bool presented)
{
    m_access->setPresented(m_itemIndex, presented);
}

void TidewellMenu::presentedChanged(bool presented)
{
    if (presented == m_isMenuPresented)
        return;
    m_isMenuPresented = presented;
    m_menu->setMenuPresented(presented);
    emit menuPresentedChanged(presented);
    if (!presented)
        return;
    // Once the window is up it is given the small starting height; its layout then sets it to the
    // height of its content, bounded by the list-height rule.
    QTimer::singleShot(0, this, [this] {
        if (!m_window || !m_isMenuPresented)
            return;
        m_window->resize(m_window->width(), int(m_menuHeight));
        // A change of size puts the window back under its icon (MenuBarExtraAccess watches it).
        m_window->adjustSize();
    });
}

} // namespace tidewell
