#include "cli/CommandLineOptions.h"
#include "cli/ListCommand.h"
#include "cli/StopCommand.h"
#include "main/OnlineEntry.h"
#include "main/WindowEntry.h"
#include "platform/Diagnostics.h"
#include "platform/Host.h"
#include "platform/InstallLayout.h"

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

// A command's own failure: on standard error, where it spoils no table or JSON.
void sayFailure(const QString& line)
{
    std::fprintf(stderr, "%s\n", qUtf8Printable(line));
}

// What goes beyond this machine (Vercel, the update service) and TLS live in a module of their own
// (online.cpp), which links Qt Network: a listing of plain http servers starts and ends without it.
int runOnline(int* argc, char** argv)
{
    QLibrary module(InstallLayout::onlineModule(InstallLayout::thisProgramDir()));
    const auto run = reinterpret_cast<OnlineEntry::RunFunction>(module.resolve(OnlineEntry::kRunSymbol));
    if (run == nullptr) {
        sayFailure(QStringLiteral("Failed to load the online part: ") + module.errorString());
        return 1;
    }
    return run(argc, argv);
}

// TLS connections from the online module, which is loaded when the first page is asked for over
// https. A module that cannot be loaded is said once; https is then not asked, and the servers that
// only speak it are listed as not answering.
SecureConnector loadedSecureConnector()
{
    return [](const PageConnection::Target& target, PageConnection::Handlers handlers) {
        static const OnlineEntry::SecureFunction open = [] {
            QLibrary module(InstallLayout::onlineModule(InstallLayout::thisProgramDir()));
            const auto found =
                reinterpret_cast<OnlineEntry::SecureFunction>(module.resolve(OnlineEntry::kSecureSymbol));
            if (found == nullptr)
                sayFailure(QStringLiteral("Failed to load the online part, so pages are not asked for over "
                                          "https: ") +
                           module.errorString());
            return found;
        }();
        return std::unique_ptr<PageConnection>(open ? open(target, std::move(handlers)) : nullptr);
    };
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

    // The JSON listing carries deployments from Vercel.
    if (options.checkUpdate || options.deployments || (options.list && options.json))
        return runOnline(&argc, argv);
    if (options.stopPort != 0) {
        QCoreApplication app(argc, argv);
        return StopCommand(options, Host::create()).run();
    }
    if (options.list) {
        // Qt's own event dispatcher starts sooner than GLib's, and a listing needs nothing GLib adds.
        qputenv("QT_NO_GLIB", "1");
        QCoreApplication app(argc, argv);
        endListing(ListCommand(options, Host::create(), loadedSecureConnector()).run());
    }
    return runWindow(&argc, argv);
}
