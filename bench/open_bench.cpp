// How fast the window opens against a plain menu: from the tray's activation to the first frame
// that shows the window with its rows painted (open_ms), and from a QMenu's popup with as many
// entries, icons and titles as the window has rows, shown at the same place, to its first frame
// (menu_ms). Medians of 20 opens of each, taking turns; open_ratio = open_ms / menu_ms.
// It runs on the display it is given (DISPLAY, or QT_QPA_PLATFORM=offscreen without one).

#include "BenchTiming.h"

#include "gui/ports/PortsTab.h"
#include "gui/process/ProcessItem.h"
#include "gui/shell/AppMenu.h"
#include "gui/shell/TidewellApp.h"
#include "gui/shell/TidewellMenu.h"
#include "gui/widgets/SymbolIcons.h"
#include "platform/Host.h"
#include "state/AppState.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QMenu>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

using namespace tidewell;
using namespace tidewell::bench;

namespace {

constexpr int kOpens = 20;
constexpr int kRows = 5;
constexpr int kTimeoutMs = 10000;

// Notes the first paint of a row of the window, or of the menu.
class PaintWatch : public QObject
{
public:
    QObject* menu = nullptr;
    bool rowPainted = false;
    bool menuPainted = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            rowPainted = rowPainted || qobject_cast<ProcessItem*>(watched) != nullptr;
            menuPainted = menuPainted || watched == menu;
        }
        return QObject::eventFilter(watched, event);
    }
};

// The milliseconds from `open` to the end of the pass of the event loop that painted `painted`;
// the frame is flushed at the end of that pass.
template <typename Open> double timeToFrame(Open&& open, const bool& painted)
{
    QElapsedTimer clock;
    clock.start();
    open();
    const QDeadlineTimer deadline(kTimeoutMs);
    while (!painted && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    return painted ? double(clock.nsecsElapsed()) / 1e6 : -1.0;
}

void settle()
{
    const QDeadlineTimer deadline(200);
    while (!deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

QList<PortData> servedPorts()
{
    QList<PortData> ports;
    for (int i = 0; i < kRows; ++i)
        ports.append(PortData(
            QStringLiteral("node"), QString::number(3000 + i), QString::number(1000 + i),
            HTMLData{QStringLiteral("Page %1").arg(i), AppType::nextjs, std::nullopt, HttpScheme::http}));
    return ports;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir folder;
    auto settings =
        std::make_unique<QSettings>(folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    TidewellApp tidewell(Host::create(Host::Backend::native),
                         std::make_unique<AppState>(std::move(settings)));
    tidewell.start();
    TidewellMenu& item = tidewell.menuBarItem();
    AppMenu& window = tidewell.menu();
    // The window lists these rows whatever listens on this machine: each open starts from them.
    window.setRefreshIntervalMs(3600000);
    settle();

    QMenu menu;
    for (const PortData& port : servedPorts())
        menu.addAction(SymbolIcons::asset(QStringLiteral("nextjs")), port.htmlData()->title);
    PaintWatch watch;
    watch.menu = &menu;
    app.installEventFilter(&watch);

    std::vector<double> openTimes;
    std::vector<double> menuTimes;
    for (int run = 0; run < kOpens; ++run) {
        item.setMenuPresented(false);
        window.portsTab()->setPorts(servedPorts());
        settle();
        watch.rowPainted = false;
        const double open = timeToFrame([&] { item.setMenuPresented(true); }, watch.rowPainted);
        const QPoint at = window.pos();
        item.setMenuPresented(false);
        settle();
        watch.menuPainted = false;
        const double popped = timeToFrame([&] { menu.popup(at); }, watch.menuPainted);
        menu.hide();
        if (open < 0 || popped < 0) {
            std::fprintf(stderr, "a window or the menu was never painted\n");
            return 2;
        }
        openTimes.push_back(open);
        menuTimes.push_back(popped);
    }
    const double openMs = medianOf(openTimes);
    const double menuMs = medianOf(menuTimes);
    std::printf("platform: %s\n", qPrintable(QGuiApplication::platformName()));
    printCount("rows", kRows);
    printFigure("open_ms", openMs);
    printFigure("menu_ms", menuMs);
    printFigure("open_ratio", openMs / menuMs);
    return 0;
}
