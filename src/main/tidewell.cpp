#include "cli/CheckUpdateCommand.h"
#include "cli/CommandLineOptions.h"
#include "cli/DeploymentsCommand.h"
#include "cli/ListCommand.h"
#include "cli/ListedDeployments.h"
#include "cli/StopCommand.h"
#include "main/WindowEntry.h"
#include "platform/Diagnostics.h"
#include "platform/Host.h"
#include "platform/InstallLayout.h"
#include "state/AppState.h"

#include <QCoreApplication>
#include <QLibrary>

using namespace tidewell;

namespace {

// The window lives in a module of its own (window.cpp), so that the command-line paths start on Qt
// Core alone: no widget library, no platform plugin. It runs in this same process, so the desktop
// entry, the login helper and the single-instance guard all see one program.
int runWindow(int* argc, char** argv)
{
    QLibrary module(InstallLayout::windowModule(InstallLayout::thisProgramDir()));
    const auto run = reinterpret_cast<WindowEntry::Function>(module.resolve(WindowEntry::kSymbol));
    if (run == nullptr) {
        Diagnostics::writeLine(QStringLiteral("Failed to load the window: ") + module.errorString());
        return 1;
    }
    return run(argc, argv);
}

// The settings of a command: what it says of them goes to standard error, out of its output's way.
std::optional<QString> storedTeam()
{
    return AppState(AppState::userSettings([](const QString& line) {
               std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
           }))
        .selectedTeam();
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

    if (options.checkUpdate || options.deployments || options.list || options.stopPort != 0) {
        QCoreApplication app(argc, argv);
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
        const std::optional<QString> team = storedTeam();
        return ListCommand(options, Host::create(),
                           [team](const QList<PortData>& entries) {
                               return ListedDeployments::lookUp(entries, team);
                           })
            .run();
    }
    return runWindow(&argc, argv);
}
