#include "gui/shell/TidewellMenu.h"

#include "gui/process/AppServices.h"
#include "gui/shell/AppMenu.h"
#include "gui/shell/MenuBarItems.h"
#include "gui/widgets/SymbolIcons.h"
#include "platform/LogCategories.h"
#include "platform/TrayHostPresence.h"
#include "ports/PortListRefresher.h"
#include "state/AppState.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

namespace tidewell {

TidewellMenu::TidewellMenu(AppMenu* menu, const AppServices* services, QObject* parent)
    : QObject(parent), m_menu(menu), m_services(services), m_access(new MenuBarItems(this))
{
    m_noTrayHost.setSingleShot(true);
    m_noTrayHost.setInterval(kNoTrayHostMs);
    connect(&m_noTrayHost, &QTimer::timeout, this, &TidewellMenu::openWithoutTrayHost);
}

TidewellMenu::~TidewellMenu()
{
    delete m_tray;
    delete m_trayMenu;
}

TidewellMenu::WindowMode TidewellMenu::windowModeFor(bool trayAvailable, const QString& platformName)
{
    if (!trayAvailable)
        return WindowMode::ordinary;
    // A Wayland client can neither place its window nor keep a popup open without a parent
    // window, so the window there is one the compositor places and decorates.
    return platformName.startsWith(QLatin1String("wayland")) ? WindowMode::trayWindow : WindowMode::dropDown;
}

void TidewellMenu::applyWindowMode()
{
    m_menu->setAttribute(Qt::WA_QuitOnClose, m_mode == WindowMode::ordinary);
    if (m_mode == WindowMode::dropDown) {
        m_menu->setWindowFlags(Qt::Popup | Qt::FramelessWindowHint);
    } else {
        m_menu->setWindowFlags(Qt::Window);
        m_menu->setWindowTitle(tr("Tidewell"));
        m_menu->setWindowIcon(SymbolIcons::symbol(QStringLiteral("hammer")));
    }
}

void TidewellMenu::start(std::unique_ptr<TrayHostPresence> hosts)
{
    const bool trayAvailable = QSystemTrayIcon::isSystemTrayAvailable();
    m_mode = windowModeFor(trayAvailable, QGuiApplication::platformName());
    applyWindowMode();
    m_hosts = hosts ? std::move(hosts) : TrayHostPresence::create();
    // Only a panel seen at start holds the icon; without one the icon went to an XEmbed tray, or
    // there is no tray at all.
    if (trayAvailable && m_hosts->isPresent())
        connect(m_hosts.get(), &TrayHostPresence::presenceChanged, this, &TidewellMenu::trayHostChanged);
    // Such a panel is given the icon's name and draws it in its own colours, where it is installed;
    // an XEmbed tray only shows the pictures it is given.
    m_symbolicTrayIcon = trayAvailable && m_hosts->isPresent() && QIcon::hasThemeIcon(kSymbolicIconName);
    if (trayAvailable) {
        m_tray = new QSystemTrayIcon(trayIconPicture());
        m_tray->setToolTip(tr("Tidewell"));
        m_trayMenu = buildTrayMenu();
        // Panels that host StatusNotifierItems show this menu through DBusMenu; an X11 tray shows
        // it on a right click.
        m_tray->setContextMenu(m_trayMenu);
        // Closing the window must not end a program that lives in the tray.
        QApplication::setQuitOnLastWindowClosed(false);
    } else {
        qCInfo(lcDesktop).noquote() << (QStringLiteral(
            "No system tray found: Tidewell opens as an ordinary window."));
    }
    m_menu->setAutoFillBackground(true);
    m_menu->installEventFilter(this);

    m_itemIndex = m_access->addMenuBarItem(m_tray, m_menu, m_mode == WindowMode::dropDown);
    m_access->captureMenuBarItemWindow(m_itemIndex, [this](QWidget* window) { m_window = window; });
    m_access->bindMenuBarItemPresented(
        m_itemIndex,
        {[this] { return m_isMenuPresented; }, [this](bool presented) { presentedChanged(presented); }});
    if (m_tray)
        m_tray->show();
    else
        setMenuPresented(true);
}

QMenu* TidewellMenu::buildTrayMenu()
{
    auto* menu = new QMenu;
    menu->setObjectName(QStringLiteral("trayMenu"));
    menu->setAccessibleName(tr("Tidewell"));
    menu->addAction(tr("Open Tidewell"), this, [this] { setMenuPresented(true); });
    menu->addAction(tr("Refresh"), this, [this] {
        if (m_services && m_services->refresher)
            m_services->refresher->refresh();
    });
    menu->addAction(tr("Settings…"), this, [this] {
        if (m_services && m_services->state)
            m_services->state->setSelectedView(SelectedView::settings);
        setMenuPresented(true);
    });
    menu->addSeparator();
    menu->addAction(tr("Quit"), this, &TidewellMenu::quitRequested);
    return menu;
}

void TidewellMenu::trayHostChanged(bool present)
{
    if (!present) {
        m_noTrayHost.start();
        return;
    }
    m_noTrayHost.stop();
    if (m_mode != WindowMode::ordinary)
        return;
    // The panel is back and the icon with it: closing the window hides it again. The window keeps
    // its frame until then; an open one would vanish if its kind changed now.
    qCInfo(lcDesktop).noquote() << (QStringLiteral("A tray is back: Tidewell lives in it again."));
    m_mode = WindowMode::trayWindow;
    m_menu->setAttribute(Qt::WA_QuitOnClose, false);
    QApplication::setQuitOnLastWindowClosed(false);
}

void TidewellMenu::openWithoutTrayHost()
{
    if (!m_hosts || m_hosts->isPresent() || m_mode == WindowMode::ordinary)
        return;
    // No panel shows the icon any more: the window opens as an ordinary one, and closing it ends
    // the program, as where there is no tray at all.
    qCInfo(lcDesktop).noquote() << (QStringLiteral(
        "No tray any more: Tidewell opens as an ordinary window."));
    setMenuPresented(false);
    m_mode = WindowMode::ordinary;
    applyWindowMode();
    QApplication::setQuitOnLastWindowClosed(true);
    setMenuPresented(true);
}

QIcon TidewellMenu::trayIconPicture() const
{
    // Elsewhere the hammer is drawn in the desktop's colours: light on a dark one, dark on a light one.
    return m_symbolicTrayIcon ? QIcon::fromTheme(kSymbolicIconName)
                              : SymbolIcons::symbol(QStringLiteral("hammer"));
}

void TidewellMenu::setMenuPresented(bool presented)
{
    m_access->setPresented(m_itemIndex, presented);
}

bool TidewellMenu::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_menu)
        return QObject::eventFilter(watched, event);
    // A popup closes itself on Escape; the window of its own does it here, once the search field
    // has nothing left for Escape to clear.
    if (m_mode == WindowMode::trayWindow && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && m_menu->filterField()->text().isEmpty()) {
        setMenuPresented(false);
        return true;
    }
    // The hammer is drawn in the palette's colours: light on a dark desktop, dark on a light one.
    // The tray keeps the pictures it was given, so it is given new ones.
    if (event->type() == QEvent::PaletteChange) {
        const QIcon hammer = SymbolIcons::symbol(QStringLiteral("hammer"));
        if (m_tray && !m_symbolicTrayIcon)
            m_tray->setIcon(hammer);
        if (m_mode != WindowMode::dropDown)
            m_menu->setWindowIcon(hammer);
    }
    return QObject::eventFilter(watched, event);
}

void TidewellMenu::presentedChanged(bool presented)
{
    if (presented == m_isMenuPresented)
        return;
    m_isMenuPresented = presented;
    m_menu->setMenuPresented(presented);
    if (!presented)
        return;
    // Once the window is up it is given the small starting height; its layout then sets it to the
    // height of its content, bounded by the list-height rule.
    QTimer::singleShot(0, this, [this] {
        if (!m_window || !m_isMenuPresented)
            return;
        m_window->resize(m_window->width(), int(m_menuHeight));
        // A change of size puts the window back under its icon (MenuBarItems watches it).
        m_window->adjustSize();
    });
}

} // namespace tidewell
