#include "cli/CheckUpdateCommand.h"
#include "cli/CommandLineOptions.h"
#include "cli/DeploymentsCommand.h"
#include "cli/ForwardCommand.h"
#include "cli/ListCommand.h"
#include "cli/RemoteListCommand.h"
#include "cli/RemoteStopCommand.h"
#include "cli/StopCommand.h"
#include "deployments/DeploymentsFeed.h"
#include "deployments/VercelCredentialFile.h"
#include "deployments/VercelOrigins.h"
#include "gui/shell/TidewellApp.h"
#include "gui/shell/TidewellMenu.h"
#include "platform/Host.h"
#include "platform/LogCategories.h"
#include "platform/StandardErrorLog.h"
#include "state/AppState.h"
#include "state/SingleInstance.h"
#include "state/UserLanguage.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QThreadPool>
#include <memory>

using namespace tidewell;

namespace {

// The menu-bar program. Only this path makes a QApplication: the commands run on Qt Core's event loop,
// so they work where no display is (an ssh session, a container) and load no platform plugin.
int runWindow(int& argc, char** argv)
{
    QApplication app(argc, argv);
    UserLanguage::install(&app);
    app.setProperty("buildVersion", QStringLiteral(TIDEWELL_BUILD_VERSION));
    // Wayland desktops match the window to its desktop entry by this name (X11 by the window class,
    // "Tidewell" from the application name).
    QApplication::setDesktopFileName(QStringLiteral("com.orvane.Tidewell"));

    SingleInstance instance(SingleInstance::defaultServerName());
    if (instance.askRunningInstanceToShow()) {
        qCInfo(lcApp).noquote() << (QStringLiteral("Tidewell is already running: its window opens."));
        return 0;
    }
    if (!instance.listen()) {
        // Another start won the race; it may still be opening its socket.
        instance.askRunningInstanceToShow();
        qCInfo(lcApp).noquote() << (QStringLiteral("Tidewell is already running: its window opens."));
        return 0;
    }

    TidewellApp tidewell(Host::create());
    QObject::connect(&tidewell, &TidewellApp::quitRequested, &app, &QCoreApplication::quit);
    QObject::connect(&instance, &SingleInstance::showRequested, &tidewell,
                     [&tidewell] { tidewell.menuBarItem().setMenuPresented(true); });
    tidewell.start();
    return app.exec();
}

// The team chosen in the window, for a command.
std::optional<QString> storedTeam()
{
    return AppState(AppState::userSettings()).selectedTeam();
}

} // namespace

int main(int argc, char** argv)
{
    StandardErrorLog::install();
    QCoreApplication::setApplicationName(QStringLiteral("Tidewell"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TIDEWELL_VERSION));

    if (argc <= 1)
        return runWindow(argc, argv);

    // The application object comes first, since the help and the parser's errors speak the user's
    // language.
    auto app = std::make_unique<QCoreApplication>(argc, argv);
    UserLanguage::install(app.get());
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const CommandLineOptions options = CommandLineOptions::parse(arguments);
    if (options.exitNow)
        return options.exitCode;

    if (options.checkUpdate || options.deployments || options.list || options.stopPort != 0 ||
        !options.forward.isEmpty()) {
        if (!options.forward.isEmpty())
            return ForwardCommand(options).run();
        if (!options.hosts.isEmpty())
            return options.stopPort != 0 ? RemoteStopCommand(options).run()
                                         : RemoteListCommand(options).run();
        if (options.checkUpdate)
            return CheckUpdateCommand(UpdateService::forThisBuild(QCoreApplication::applicationVersion()))
                .run();
        if (options.deployments)
            return DeploymentsCommand(options, storedTeam()).run();
        if (options.stopPort != 0)
            return StopCommand(options, Host::create()).run();
        if (!options.json)
            return ListCommand(options, Host::create()).run();
        // The JSON listing: linked servers carry the deployments of the team chosen in the window.
        // Without the Vercel tool's file there is nothing to say: most listings are not of Vercel projects.
        const bool hasVercelFile = QFileInfo::exists(VercelCredentialFile::path());
        AppState state(AppState::userSettings(),
                       hasVercelFile ? VercelCredentialFile::readVercelToken() : std::nullopt);
        DeploymentsFeed feed(&state, QThreadPool::globalInstance(), VercelOrigins::apiOrigin(),
                             QDir::homePath());
        return ListCommand(options, Host::create(), &feed).run();
    }
    // No command among the options (Qt's own, such as -platform): the window, on an application of its own.
    app.reset();
    return runWindow(argc, argv);
}
