// The online part of tidewell: loaded by the program (tidewell.cpp) for the commands that go beyond
// this machine and for pages served over TLS, so that a listing of plain http servers never maps Qt
// Network and the libraries it brings.

#include "cli/CheckUpdateCommand.h"
#include "cli/CommandLineOptions.h"
#include "cli/DeploymentsCommand.h"
#include "cli/ListCommand.h"
#include "cli/ListedDeployments.h"
#include "main/OnlineEntry.h"
#include "platform/Host.h"
#include "probe/SecurePageConnection.h"
#include "state/AppState.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <type_traits>

using namespace tidewell;

// Exported under the name OnlineEntry::kRunSymbol.
extern "C" Q_DECL_EXPORT int tidewellRunOnline(int* argc, char** argv)
{
    static_assert(std::is_same_v<decltype(&tidewellRunOnline), OnlineEntry::RunFunction>);
    QCoreApplication app(*argc, argv);
    const CommandLineOptions options = CommandLineOptions::parse(QCoreApplication::arguments());
    if (options.exitNow)
        return options.exitCode;
    if (options.checkUpdate)
        return CheckUpdateCommand(UpdateService::forThisBuild(QCoreApplication::applicationVersion())).run();
    if (options.deployments)
        return DeploymentsCommand(options, AppState().selectedTeam()).run();
    // The JSON listing: linked servers carry the deployments of the team chosen in the window.
    const std::optional<QString> team = AppState().selectedTeam();
    const int exitCode = ListCommand(options, Host::create(), &SecurePageConnection::open,
                                     [team](const QList<PortData>& entries) {
                                         return ListedDeployments::lookUp(entries, team);
                                     })
                             .run();
    // As the program's own listing ends: without tearing down what nothing else needs.
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(exitCode);
}

// Exported under the name OnlineEntry::kSecureSymbol.
extern "C" Q_DECL_EXPORT PageConnection* tidewellOpenSecureConnection(const PageConnection::Target& target,
                                                                      PageConnection::Handlers handlers)
{
    static_assert(std::is_same_v<decltype(&tidewellOpenSecureConnection), OnlineEntry::SecureFunction>);
    return SecurePageConnection::open(target, std::move(handlers)).release();
}
