#include "gui/quicklaunch/QuickLaunchItem.h"
#include "gui/quicklaunch/QuickLaunchList.h"
#include "gui/shell/AppMenu.h"
#include "gui/widgets/DelayPopover.h"
#include "gui/widgets/ElidedLabel.h"
#include "gui/widgets/PopoverWindow.h"
#include "gui/widgets/TabButton.h"
#include "platform/Diagnostics.h"
#include "platform/Host.h"
#include "platform/ProcessSystemTools.h"
#include "platform/linux/LinuxDesktop.h"
#include "ports/PortListRefresher.h"
#include "ports/PortScanner.h"
#include "probe/PageProbe.h"
#include "process/ProcessOrigin.h"
#include "quicklaunch/QuickLaunchStore.h"
#include "state/AppState.h"
#include "support/RecordingDesktop.h"
#include "support/TestProcesses.h"
#include "support/VirtualDisplay.h"

#include <QLabel>
#include <QScrollArea>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>
#include <QToolButton>
#include <csignal>
#include <list>

using namespace tidewell;
using namespace tidewell::test;

namespace {

struct Fixture
{
    QTemporaryDir dir;
    std::unique_ptr<AppState> state = makeState();
    std::shared_ptr<RecordingDesktop> recording = std::make_shared<RecordingDesktop>();
    QThreadPool pool;

    std::unique_ptr<AppState> makeState() const
    {
        return std::make_unique<AppState>(
            std::make_unique<QSettings>(dir.filePath(QStringLiteral("s.ini")), QSettings::IniFormat));
    }
    // Views keep a pointer to their bundle, so each one lives as long as the fixture.
    std::list<AppServices> bundles;

    const AppServices* services(std::shared_ptr<Desktop> desktop = {})
    {
        AppServices result;
        result.state = state.get();
        result.desktop = desktop ? desktop : recording;
        result.pool = &pool;
        result.addToQuickLaunch = [this](const PortDataLike& entry) {
            QuickLaunchStore::addQuickLaunchItem(entry, *state);
        };
        return &bundles.emplace_back(std::move(result));
    }
};

PortData served(const QString& port, const QString& title, const QString& cwd, const QString& cmd)
{
    return PortData(QStringLiteral("node"), port, QStringLiteral("4000"),
                    HTMLData{title, AppType::nextjs, std::nullopt, HttpScheme::http}, ProcessInfo{cwd, cmd});
}

QuickLaunchItem* rowAt(QuickLaunchList& list, int index)
{
    return qobject_cast<QuickLaunchItem*>(list.rows().value(index));
}

// The pid listening on `port`, as the host's listing reports it; empty when none.
QString listenerOn(int port)
{
    const Host host = Host::create();
    const ScanResult scan = PortScanner(host.sockets).scanListeningPorts();
    for (const QList<PortData>* list : {&scan.candidates, &scan.ignored}) {
        for (const PortData& entry : *list) {
            if (entry.port() == QString::number(port))
                return entry.pid();
        }
    }
    return {};
}

std::optional<ProcessInfo> originOf(const QString& pid)
{
    return ProcessOrigin(Host::create().processes, [](const QString&) {}).getProcessInfo(pid);
}

int freePort()
{
    auto probe = startListener({QStringLiteral("--mode"), QStringLiteral("silent")});
    if (!probe->waitUntilReady())
        return 0;
    const int port = probe->port();
    probe->kill();
    return port;
}

} // namespace

class QuickLaunchViewsTest : public QObject
{
    Q_OBJECT
private slots:
    void listShowsSavedItemsAndSurvivesARestart();
    void rowButtonsDeleteAndRelaunch();
    void boltSavesPulsesAndLongTitleKeepsButtonsInView();
    void savedServerStartsAgainInARealTerminal();
};

void QuickLaunchViewsTest::listShowsSavedItemsAndSurvivesARestart()
{
    Fixture fixture;
    {
        QuickLaunchList list(fixture.services());
        QVERIFY(list.showsNoItemsText());
        QCOMPARE(list.findChild<QLabel*>(QStringLiteral("noQuickLaunch"))->text(),
                 QStringLiteral("No quick launch"));
        QuickLaunchStore::addQuickLaunchItem(served(QStringLiteral("3000"), QStringLiteral("Shop"),
                                                    QStringLiteral("/srv/shop"),
                                                    QStringLiteral("npm run dev")),
                                             *fixture.state);
        QCOMPARE(list.rows().size(), 1);
        QVERIFY(!list.showsNoItemsText());
        list.show();
        QuickLaunchItem* row = rowAt(list, 0);
        QCOMPARE(row->findChild<ElidedLabel*>(QStringLiteral("title"))->fullText(), QStringLiteral("Shop"));
        QCOMPARE(row->findChild<QLabel*>(QStringLiteral("command"))->toolTip(),
                 QStringLiteral("npm run dev"));
        QCOMPARE(row->height(), 60);

        // A saved item's popover offers no bolt and shows no pid: both belong to a running server.
        row->popover()->setPointerPosition([] { return QPoint(10, 10); });
        QEvent enter(QEvent::Enter);
        QApplication::sendEvent(row, &enter);
        QTRY_VERIFY(row->popover()->showPopup());
        PopoverWindow* popover = row->popover()->popover();
        QVERIFY(!popover->findChild<QToolButton*>(QStringLiteral("bolt")));
        QVERIFY(!popover->findChild<QLabel*>(QStringLiteral("detailsPid")));
        QCOMPARE(popover->findChild<QLabel*>(QStringLiteral("detailsPort"))->text(),
                 QStringLiteral("Port: 3000"));
        popover->findChild<QToolButton*>(QStringLiteral("folder"))->click();
        QCOMPARE(fixture.recording->calls, QStringList{QStringLiteral("openFolder /srv/shop")});
        row->popover()->closePopup();
    }
    // A new run over the same store shows the same item.
    fixture.state = fixture.makeState();
    QuickLaunchList again(fixture.services());
    QCOMPARE(again.rows().size(), 1);
    QCOMPARE(rowAt(again, 0)->item()->processInfo()->cwd, QStringLiteral("/srv/shop"));
}

void QuickLaunchViewsTest::rowButtonsDeleteAndRelaunch()
{
    Fixture fixture;
    QuickLaunchList list(fixture.services());
    QuickLaunchStore::addQuickLaunchItem(served(QStringLiteral("3000"), QStringLiteral("A"),
                                                QStringLiteral("/srv/my app"), QStringLiteral("npm run dev")),
                                         *fixture.state);
    QuickLaunchStore::addQuickLaunchItem(
        PortData(QStringLiteral("bun"), QStringLiteral("4000"), QStringLiteral("5")), *fixture.state);
    QCOMPARE(list.rows().size(), 2);
    for (QWidget* row : list.rows())
        QTest::mouseClick(row->findChild<QToolButton*>(QStringLiteral("play")), Qt::LeftButton);
    // An item saved without an origin still opens a terminal, with nothing to run.
    QStringList calls = fixture.recording->calls;
    calls.sort();
    QCOMPARE(calls, (QStringList{QStringLiteral("runInNewTerminal  && "),
                                 QStringLiteral("runInNewTerminal /srv/my app && npm run dev")}));

    QTest::mouseClick(rowAt(list, 0)->findChild<QToolButton*>(QStringLiteral("trash")), Qt::LeftButton);
    QCOMPARE(QuickLaunchStore::loadQuickLaunchItems(*fixture.state).size(), 1);
    QTRY_COMPARE(list.rows().size(), 1);
    QTest::mouseClick(rowAt(list, 0)->findChild<QToolButton*>(QStringLiteral("trash")), Qt::LeftButton);
    QTRY_COMPARE(list.rows().size(), 0);
    QVERIFY(list.showsNoItemsText());
}

// Saving from a port row makes the quick launch tab pulse until it is opened, and a saved
// item with a long title still shows its buttons in the window.
void QuickLaunchViewsTest::boltSavesPulsesAndLongTitleKeepsButtonsInView()
{
    Fixture fixture;
    PageProbe probe;
    PortListRefresher refresher([] { return ScanResult{}; }, &probe,
                                [](const QString&) { return std::nullopt; });
    AppServices services = *fixture.services();
    services.refresher = &refresher;
    AppMenu menu(&services);
    menu.show();
    QTRY_VERIFY(!menu.isPulsing());
    Diagnostics::Capture trace;
    services.addToQuickLaunch(served(
        QStringLiteral("3000"),
        QStringLiteral("A page title far too long for the window, about customers, orders and invoices"),
        QStringLiteral("/srv/shop"),
        QStringLiteral("npm run dev -- --port 3000 --host 127.0.0.1 --open false")));
    QVERIFY(menu.isPulsing());
    QVERIFY(trace.lines().contains(QStringLiteral("quickLaunchData has changed to: <json>")));
    QCOMPARE(menu.quickLaunchTab()->rows().size(), 1);
    menu.quickLaunchToggle()->click();
    QVERIFY(menu.quickLaunchTab()->isVisible());
    QTRY_VERIFY(!menu.isPulsing());

    QuickLaunchItem* row = rowAt(*menu.quickLaunchTab(), 0);
    auto* scroll = menu.findChild<QScrollArea*>(QStringLiteral("listScroll"));
    for (const char* name : {"trash", "play"}) {
        auto* button = row->findChild<QToolButton*>(QLatin1String(name));
        QTRY_VERIFY(button->isVisible());
        const auto inViewport = [&] {
            return QRect(button->mapTo(scroll->viewport(), QPoint(0, 0)), button->size());
        };
        QTRY_VERIFY2(scroll->viewport()->rect().contains(inViewport()), name);
    }
}

// Save a real server, stop it, press play: a real terminal starts it again in its folder.
void QuickLaunchViewsTest::savedServerStartsAgainInARealTerminal()
{
    if (findProgram(QStringLiteral("Xvfb")).isEmpty() || findProgram(QStringLiteral("xterm")).isEmpty())
        QSKIP("Xvfb and xterm are needed");
    VirtualDisplay display;
    QVERIFY(!display.display().isEmpty());
    qputenv("DISPLAY", display.display().toLocal8Bit());
    qputenv("TERMINAL", "xterm");

    QTemporaryDir projects;
    const QString folder = projects.filePath(QStringLiteral("my shop"));
    QVERIFY(QDir().mkpath(folder));
    const int port = freePort();
    QVERIFY(port > 0);
    auto server = startListenerFromShell({QStringLiteral("--name"), QStringLiteral("node"),
                                          QStringLiteral("--bind"), QStringLiteral("127.0.0.1:%1").arg(port)},
                                         folder);
    QVERIFY(server->waitUntilReady());
    const QString firstPid = listenerOn(port);
    QVERIFY(!firstPid.isEmpty());

    Fixture fixture;
    const auto origin = originOf(firstPid);
    QCOMPARE(origin.value_or(ProcessInfo{}).cwd, folder);
    QuickLaunchStore::addQuickLaunchItem(
        PortData(QStringLiteral("node"), QString::number(port), firstPid, std::nullopt, origin),
        *fixture.state);
    server->kill();
    QTRY_VERIFY(listenerOn(port).isEmpty());

    const auto desktop = std::make_shared<LinuxDesktop>(std::make_shared<ProcessSystemTools>());
    QuickLaunchList list(fixture.services(desktop));
    QCOMPARE(list.rows().size(), 1);
    QTest::mouseClick(rowAt(list, 0)->findChild<QToolButton*>(QStringLiteral("play")), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!listenerOn(port).isEmpty(), 15000);
    const QString secondPid = listenerOn(port);
    QVERIFY(secondPid != firstPid);
    QCOMPARE(originOf(secondPid).value_or(ProcessInfo{}).cwd, folder);

    ::kill(pid_t(secondPid.toLongLong()), SIGKILL);
    display.kill();
    qunsetenv("DISPLAY");
}

QTEST_MAIN(QuickLaunchViewsTest)
#include "tst_quicklaunchviews.moc"
