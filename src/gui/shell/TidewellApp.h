#pragma once

#include "gui/process/AppServices.h"
#include "platform/Host.h"

#include <QObject>
#include <QThreadPool>
#include <memory>

namespace tidewell {

class AppMenu;
class AppState;
class ColorSchemePalette;
class DesktopAppearance;
class DeploymentNotifier;
class DeploymentsFeed;
class PageProbe;
class PortListRefresher;
class RemoteMachinesWatcher;
class RemoteServerNotifier;
class ServerNotifier;
class TidewellMenu;
class TrayNotificationSink;

// The whole menu-bar program over one host: the port lists, the state, the window and its tray
// item, wired together. The program's entry runs one; benches and end-to-end checks run the same.
class TidewellApp : public QObject
{
    Q_OBJECT
public:
    // `state` is the store of the kept settings; the user's own when null.
    explicit TidewellApp(Host host, std::unique_ptr<AppState> state = {}, QObject* parent = nullptr);
    ~TidewellApp() override;

    // Puts the icon in the tray, or opens the window where there is none.
    void start();

    AppState& state() const { return *m_state; }
    AppMenu& menu() const { return *m_menu; }
    TidewellMenu& menuBarItem() const { return *m_item; }
    PortListRefresher& refresher() const { return *m_refresher; }

signals:
    void quitRequested();

private:
    // The readings and scans still running at quit get this long, in all, to end before the program
    // goes without them, so that quitting takes under half a second whatever hangs.
    static constexpr int kQuitGraceMs = 400;

    Host m_host;
    std::unique_ptr<QThreadPool> m_pool = std::make_unique<QThreadPool>();
    std::unique_ptr<AppState> m_state;
    // The desktop's light or dark preference, applied to the palette before any window is made.
    std::unique_ptr<DesktopAppearance> m_appearance;
    std::unique_ptr<ColorSchemePalette> m_palette;
    std::unique_ptr<PageProbe> m_probe;
    std::unique_ptr<PortListRefresher> m_refresher;
    std::unique_ptr<DeploymentsFeed> m_deploymentsFeed;
    std::unique_ptr<RemoteMachinesWatcher> m_remoteMachines;
    // The one bundle every view holds a pointer to; it outlives them all.
    AppServices m_services;
    std::unique_ptr<AppMenu> m_menu;
    std::unique_ptr<TidewellMenu> m_item;
    std::unique_ptr<TrayNotificationSink> m_notifications;
    std::unique_ptr<ServerNotifier> m_serverNotifier;
    std::unique_ptr<RemoteServerNotifier> m_remoteServerNotifier;
    std::unique_ptr<DeploymentNotifier> m_deploymentNotifier;
};

} // namespace tidewell
