#include "gui/shell/TidewellApp.h"

#include "deployments/DeploymentsFeed.h"
#include "deployments/VercelCredentialFile.h"
#include "deployments/VercelOrigins.h"
#include "gui/shell/AppMenu.h"
#include "gui/shell/TidewellMenu.h"
#include "gui/shell/TrayNotificationSink.h"
#include "gui/widgets/ColorSchemePalette.h"
#include "net/ContainerEngine.h"
#include "notifications/DeploymentNotifier.h"
#include "notifications/RemoteServerNotifier.h"
#include "notifications/ServerNotifier.h"
#include "platform/DesktopAppearance.h"
#include "platform/ListeningSocketSource.h"
#include "platform/LoginItemService.h"
#include "ports/PortListRefresher.h"
#include "ports/PortScanner.h"
#include "probe/PageProbe.h"
#include "process/ProcessOrigin.h"
#include "process/ProcessStatsReader.h"
#include "process/ProcessStopper.h"
#include "quicklaunch/QuickLaunchStore.h"
#include "remote/RemoteMachinesWatcher.h"
#include "state/AppState.h"
#include "state/AsyncTask.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>

namespace tidewell {

TidewellApp::TidewellApp(Host host, std::unique_ptr<AppState> state, QObject* parent)
    : QObject(parent), m_host(std::move(host)),
      m_state(state ? std::move(state)
                    : std::make_unique<AppState>(nullptr, VercelCredentialFile::readVercelToken())),
      m_appearance(DesktopAppearance::create()),
      m_palette(std::make_unique<ColorSchemePalette>(m_appearance.get())),
      m_probe(std::make_unique<PageProbe>())
{
    const PortScanner scanner(m_host.sockets, m_host.processes);
    const ProcessOrigin origin(m_host.processes);
    m_refresher = std::make_unique<PortListRefresher>(
        [scanner] { return scanner.scanListeningPorts(); }, m_probe.get(),
        [origin](const ProcessIdentity& listed) { return origin.getProcessInfo(listed); });
    m_refresher->setContainerLookup(
        [engine = ContainerEngine::fromEnvironment()] { return engine.listContainers(); });
    m_refresher->setListeningWatch([sockets = m_host.sockets] { return sockets->listeningInodes(); });

    const ProcessStatsReader statsReader(m_host.processes);
    const ProcessStopper stopper(m_host.tools, m_host.processes);
    m_services.state = m_state.get();
    m_services.refresher = m_refresher.get();
    m_services.desktop = m_host.desktop;
    m_services.readStats = [statsReader](const PortData& port) {
        return statsReader.fetchProcessStats(port);
    };
    m_services.stopProcess = [stopper](const ProcessIdentity& listed, StopSignal signal) {
        return stopper.stopProcess(listed, signal, ProcessStopper::kWatchMs);
    };
    m_services.pool = m_pool.get();
    AppState* appState = m_state.get();
    m_services.addToQuickLaunch = [appState](const PortDataLike& entry) {
        return QuickLaunchStore::addQuickLaunchItem(entry, *appState) ? QString()
                                                                      : QuickLaunchStore::kNotSavedText;
    };
    m_services.loginItem = LoginItemService::create(QCoreApplication::applicationDirPath());
    m_deploymentsFeed = std::make_unique<DeploymentsFeed>(m_state.get(), m_pool.get(),
                                                          VercelOrigins::apiOrigin(), QDir::homePath());
    m_services.deploymentsFeed = m_deploymentsFeed.get();
    m_remoteMachines = std::make_unique<RemoteMachinesWatcher>(m_state.get());
    m_services.remoteMachines = m_remoteMachines.get();

    m_menu = std::make_unique<AppMenu>(&m_services);
    m_item = std::make_unique<TidewellMenu>(m_menu.get(), &m_services);
    // The first listing the menu has just started ends on a later pass of the event loop, so the
    // server notifier sees it as the starting point.
    m_notifications = std::make_unique<TrayNotificationSink>(m_item.get(), m_host.desktop);
    m_serverNotifier =
        std::make_unique<ServerNotifier>(m_state.get(), m_refresher.get(), m_notifications.get());
    m_remoteServerNotifier =
        std::make_unique<RemoteServerNotifier>(m_state.get(), m_remoteMachines.get(), m_notifications.get());
    m_deploymentNotifier = std::make_unique<DeploymentNotifier>(m_state.get(), m_notifications.get(),
                                                                VercelOrigins::dashboardOrigin());
    m_deploymentsFeed->startPolling();
    connect(m_menu.get(), &AppMenu::quitRequested, this, &TidewellApp::quitRequested);
    connect(m_item.get(), &TidewellMenu::quitRequested, this, &TidewellApp::quitRequested);
}

TidewellApp::~TidewellApp()
{
    m_deploymentNotifier.reset();
    m_serverNotifier.reset();
    m_remoteServerNotifier.reset();
    m_notifications.reset();
    m_item.reset();
    m_menu.reset();
    m_remoteMachines.reset();
    // Readings and scans own the parts of the host they use, so one stuck on a file or a tool that never
    // answers is left behind: quitting does not wait for it.
    const QDeadlineTimer quitBy(kQuitGraceMs);
    m_refresher->leaveJobsBehindAfter(int(quitBy.remainingTime()));
    AsyncTask::finishOrAbandon(std::move(m_pool), int(quitBy.remainingTime()));
}

void TidewellApp::start()
{
    m_item->start();
}

} // namespace tidewell
