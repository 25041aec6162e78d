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
#include "platform/Diagnostics.h"
#include "platform/Host.h"
#include "state/AppState.h"
#include "state/SingleInstance.h"

#include <QApplication>
#include <QDir>
#include <QThreadPool>
#include <cstdio>

using namespace tidewell;

namespace {

// The menu-bar program. Only this path makes a QApplication: the commands run on Qt Core's event loop,
// so they work where no display is (an ssh session, a container) and load no platform plugin.
int runWindow(int& argc, char** argv)
{
    QApplication app(argc, argv);
    app.setProperty("buildVersion", QStringLiteral(TIDEWELL_BUILD_VERSION));
    // Wayland desktops match the window to its desktop entry by this name (X11 by the window class,
    // "Tidewell" from the application name).
    QApplication::setDesktopFileName(QStringLiteral("com.orvane.Tidewell"));

    SingleInstance instance(SingleInstance::defaultServerName());
    if (instance.askRunningInstanceToShow()) {
        Diagnostics::writeLine(QStringLiteral("Tidewell is already running: its window opens."));
        return 0;
    }
    if (!instance.listen()) {
        // Another start won the race; it may still be opening its socket.
        instance.askRunningInstanceToShow();
        Diagnostics::writeLine(QStringLiteral("Tidewell is already running: its window opens."));
        return 0;
    }

    TidewellApp tidewell(Host::create());
    QObject::connect(&tidewell, &TidewellApp::quitRequested, &app, &QCoreApplication::quit);
    QObject::connect(&instance, &SingleInstance::showRequested, &tidewell,
                     [&tidewell] { tidewell.menuBarItem().setMenuPresented(true); });
    tidewell.start();
    return app.exec();
}

// What a command says beside its output goes to standard error, out of the output's way.
void writeToStandardError(const QString& line)
{
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
}

// The team chosen in the window, for a command.
std::optional<QString> storedTeam()
{
    return AppState(AppState::userSettings(writeToStandardError)).selectedTeam();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication::setApplicationName(QStringLiteral("Tidewell"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TIDEWELL_VERSION));

    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const CommandLineOptions options = CommandLineOptions::parse(arguments);
    if (options.exitNow)
        return options.exitCode;

    if (options.checkUpdate || options.deployments || options.list || options.stopPort != 0 ||
        !options.forward.isEmpty()) {
        QCoreApplication app(argc, argv);
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
        AppState state(AppState::userSettings(writeToStandardError),
                       VercelCredentialFile::readVercelToken([](const QString&) {}));
        DeploymentsFeed feed(&state, QThreadPool::globalInstance(), VercelOrigins::apiOrigin(),
                             QDir::homePath(), writeToStandardError);
        return ListCommand(options, Host::create(), &feed).run();
    }
    return runWindow(argc, argv);
}
