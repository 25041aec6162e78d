#include "cli/CheckUpdateCommand.h"
#include "cli/CommandLineOptions.h"
#include "cli/DeploymentsCommand.h"
#include "cli/ListCommand.h"
#include "cli/StopCommand.h"
#include "main/WindowEntry.h"
#include "platform/Diagnostics.h"
#include "platform/Host.h"
#include "platform/InstallLayout.h"
#include "state/AppState.h"

#include <QCoreApplication>
#include <QLibrary>
#include <cstdio>
#include <cstdlib>

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

// Ends a listing once its output is written, without tearing down the thread pools, the application
// and the libraries: milliseconds that a command leaving nothing else behind does not need.
[[noreturn]] void endListing(int exitCode)
{
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(exitCode);
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

    if (options.checkUpdate) {
        QCoreApplication app(argc, argv);
        return CheckUpdateCommand(UpdateService::forThisBuild(QCoreApplication::applicationVersion())).run();
    }
    if (options.deployments) {
        QCoreApplication app(argc, argv);
        return DeploymentsCommand(options, AppState().selectedTeam()).run();
    }
    if (options.stopPort != 0) {
        QCoreApplication app(argc, argv);
        return StopCommand(options, Host::create()).run();
    }
    if (options.list) {
        QCoreApplication app(argc, argv);
        // Only the JSON form shows linked deployments, from the team chosen in the window; the table
        // does not read the settings at all.
        const std::optional<QString> team = options.json ? AppState().selectedTeam() : std::nullopt;
        endListing(ListCommand(options, Host::create(), team).run());
    }
    return runWindow(&argc, argv);
}
