// The window part of tidewell: loaded by the program (tidewell.cpp) only when the window is wanted, so
// that the command-line paths never map the widget libraries.

#include "gui/shell/TidewellApp.h"
#include "gui/shell/TidewellMenu.h"
#include "main/WindowEntry.h"
#include "platform/Diagnostics.h"
#include "platform/Host.h"
#include "state/AppState.h"
#include "state/SingleInstance.h"

#include <QApplication>
#include <type_traits>

using namespace tidewell;

// Exported under the name WindowEntry::kSymbol.
extern "C" Q_DECL_EXPORT int tidewellRunWindow(int* argc, char** argv)
{
    static_assert(std::is_same_v<decltype(&tidewellRunWindow), WindowEntry::Function>);
    QApplication app(*argc, argv);
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
