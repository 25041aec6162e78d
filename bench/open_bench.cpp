// How fast the window opens against a plain menu: from the tray's activation to the first frame
// that shows the window with its rows painted (open_ms), and from a QMenu's popup with as many
// entries, icons and titles as the window has rows, shown at the same place, to its first frame
// (menu_ms). The rows are real development servers started here, so the refresh that every opening
// starts finds the same rows, as it does for a user whose servers keep running. Both are opened once
// before measuring; then medians of 20 opens of each, taking turns; open_ratio = open_ms / menu_ms.
// It runs on the display it is given (DISPLAY, or QT_QPA_PLATFORM=offscreen without one).

#include "BenchTiming.h"
#include "ChildProcessGroup.h"

#include "gui/ports/PortsTab.h"
#include "gui/process/ProcessItem.h"
#include "gui/shell/AppMenu.h"
#include "gui/shell/TidewellApp.h"
#include "gui/shell/TidewellMenu.h"
#include "gui/widgets/SymbolIcons.h"
#include "platform/Host.h"
#include "ports/PortListRefresher.h"
#include "state/AppState.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

using namespace tidewell;
using namespace tidewell::bench;

namespace {

constexpr int kOpens = 20;
constexpr int kRows = 5;
constexpr int kTimeoutMs = 10000;
constexpr int kListTimeoutMs = 60000;

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

// Starts the development servers the window lists; false when python3 is missing or a fork failed.
bool startServers(ChildProcessGroup& servers)
{
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty())
        return false;
    const QByteArray pythonPath = QFile::encodeName(python);
    const QByteArray script = QByteArrayLiteral(TIDEWELL_LISTENER);
    for (int i = 1; i <= kRows; ++i) {
        const QByteArray title = "Page " + QByteArray::number(i);
        const pid_t child =
            servers.startNodeListener(pythonPath.constData(), script.constData(), title.constData());
        if (child < 0)
            return false;
    }
    return true;
}

template <typename Condition> bool waitFor(Condition&& condition, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    return condition();
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ChildProcessGroup servers;
    if (!startServers(servers)) {
        std::fprintf(stderr, "python3 is needed for the development servers\n");
        return 2;
    }
    QTemporaryDir folder;
    auto settings =
        std::make_unique<QSettings>(folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    TidewellApp tidewell(Host::create(Host::Backend::native),
                         std::make_unique<AppState>(std::move(settings)));
    tidewell.start();
    TidewellMenu& item = tidewell.menuBarItem();
    AppMenu& window = tidewell.menu();
    // Open while the servers are found, as nothing is listed while the window is closed.
    item.setMenuPresented(true);
    // The tick's refreshes would fall at random into the measurements; the one each opening starts stays.
    window.setRefreshIntervalMs(3600000);
    PortsTab* ports = window.portsTab();
    // Every server listed with the title its page gave.
    const auto listed = [&] {
        int titled = 0;
        for (const PortData& port : tidewell.refresher().sortedListedPorts())
            titled += port.htmlData() && port.htmlData()->title.startsWith(QLatin1String("Page ")) ? 1 : 0;
        return titled >= kRows && ports->portRows().size() >= kRows;
    };
    if (!waitFor(listed, kListTimeoutMs)) {
        std::fprintf(stderr, "only %lld of %d servers were listed\n", qlonglong(ports->portRows().size()),
                     kRows);
        return 2;
    }
    settle();

    // The menu has an entry for every row the window shows, other listeners of this machine included.
    QMenu menu;
    for (const PortData& port : tidewell.refresher().sortedListedPorts())
        menu.addAction(SymbolIcons::asset(QStringLiteral("nodejs")),
                       port.htmlData() ? port.htmlData()->title : port.port());
    PaintWatch watch;
    watch.menu = &menu;
    app.installEventFilter(&watch);

    std::vector<double> openTimes;
    std::vector<double> menuTimes;
    // The first opening of each is not counted: both are measured warm.
    for (int run = -1; run < kOpens; ++run) {
        item.setMenuPresented(false);
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
        if (run < 0)
            continue;
        openTimes.push_back(open);
        menuTimes.push_back(popped);
    }
    const double openMs = medianOf(openTimes);
    const double menuMs = medianOf(menuTimes);
    std::printf("platform: %s\n", qPrintable(QGuiApplication::platformName()));
    printCount("rows", ports->portRows().size());
    printFigure("open_ms", openMs);
    printFigure("menu_ms", menuMs);
    printFigure("open_ratio", openMs / menuMs);
    return 0;
}
