#include "gui/ports/ImpactRevealOverlay.h"
#include "gui/ports/PortsTab.h"
#include "gui/process/ProcessItem.h"
#include "gui/settings/SettingsPage.h"
#include "gui/shell/AppMenu.h"
#include "gui/shell/MenuWindowPlacement.h"
#include "gui/shell/TidewellMenu.h"
#include "gui/update/UpdatePage.h"
#include "gui/widgets/TabButton.h"
#include "platform/Host.h"
#include "ports/PortListRefresher.h"
#include "ports/PortScanner.h"
#include "probe/PageProbe.h"
#include "process/ProcessOrigin.h"
#include "state/AppState.h"
#include "state/SingleInstance.h"
#include "support/FakeLoginItemService.h"
#include "support/ServicesFixture.h"
#include "support/TestProcesses.h"
#include "support/WidgetHelpers.h"

#include <QAbstractButton>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTest>
#include <atomic>

using namespace tidewell;
using namespace tidewell::test;
using namespace Qt::StringLiterals;

namespace {

PortData servedPort(int port)
{
    return PortData(u"node"_s, QString::number(port), QString::number(1000 + port),
                    HTMLData{u"Page"_s, AppType::unknown, std::nullopt, HttpScheme::http});
}

// The menu over real page probes and origin lookups; the scan finds nothing unless the host's
// listening sockets are asked for, so that tests needing exact lists get them.
struct Fixture : ServicesFixture
{
    Host host = Host::create();
    PageProbe probe;
    std::atomic<int> scans{0};
    std::unique_ptr<PortListRefresher> refresher;
    std::unique_ptr<AppMenu> menu;

    explicit Fixture(bool scanHost = false)
    {
        const PortScanner scanner(host.sockets, host.processes);
        const ProcessOrigin origin(host.processes, [](const QString&) {});
        refresher = std::make_unique<PortListRefresher>(
            [this, scanner, scanHost] {
                ++scans;
                return scanHost ? scanner.scanListeningPorts() : ScanResult{};
            },
            &probe, [origin](const ProcessIdentity& listed) { return origin.getProcessInfo(listed); });
    }
    AppMenu* build()
    {
        AppServices* bundle = services();
        bundle->refresher = refresher.get();
        bundle->loginItem = std::make_shared<FakeLoginItemService>();
        menu = std::make_unique<AppMenu>(bundle);
        return menu.get();
    }
    AppMenu* shown()
    {
        build()->show();
        return menu.get();
    }
    ~Fixture()
    {
        menu.reset();
        pool.waitForDone();
    }
};

QWidget* bottomBar(AppMenu* menu)
{
    return child(menu, "ignoredPortsToggle");
}

} // namespace

class AppMenuTest : public QObject
{
    Q_OBJECT
private slots:
    void listAreaFollowsTheRows_data();
    void listAreaFollowsTheRows();
    void everyRowKeepsItsPortAndStopButton_data();
    void everyRowKeepsItsPortAndStopButton();
    void tabButtonsSwitchTabsAndXray();
    void bottomBarShowsTheIgnoredRows();
    void rowThatComesBackInTimeIsShownOnce();
    void realServerAppearsWithItsTitle();
    void refreshRunsOnlyWhileOpen();
    void savedDataPulsesTheBolt();
    void gearMenuItems();
    void versionLabel_data();
    void versionLabel();
    void revealOverlayFollowsXray();
    void windowPlacement_data();
    void windowPlacement();
    void withoutTrayTheWindowOpensPlainly();
    void secondStartAsksTheFirstToShow();
};

void AppMenuTest::listAreaFollowsTheRows_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("scrolls");
    QTest::newRow("two rows") << 2 << false;
    QTest::newRow("ten rows") << 10 << true;
}

void AppMenuTest::listAreaFollowsTheRows()
{
    QFETCH(int, rows);
    QFETCH(bool, scrolls);
    Fixture fixture;
    AppMenu* menu = fixture.shown();
    QList<PortData> ports;
    for (int i = 0; i < rows; ++i)
        ports.append(servedPort(3000 + i));
    menu->portsTab()->setPorts(ports);
    const int bar = bottomBar(menu)->sizeHint().height() + 10;
    QTRY_COMPARE(menu->listAreaHeight(), std::min(300, rows * 60 + bar));
    QCOMPARE(menu->scrollViewContentSize().height(), rows * 60);
    QCOMPARE(menu->bottomViewContentSize().height(), bar);
    auto* scroll = child<QScrollArea>(menu, "listScroll");
    QTRY_COMPARE(scroll->verticalScrollBar()->maximum() > 0, scrolls);
    // The window is as tall as its content.
    QTRY_VERIFY(menu->height() <= 16 + 8 + 40 + 8 + std::min(300, rows * 60 + bar));
}

void AppMenuTest::everyRowKeepsItsPortAndStopButton_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("xray");
    for (const int rows : {1, 20, 200}) {
        for (const bool xray : {false, true})
            QTest::addRow("%d rows, x-ray %s", rows, xray ? "on" : "off") << rows << xray;
    }
}

// However many rows, with or without the scroll bar and the x-ray line, and with a title far too
// long for the window, the port and the stop button stay inside the visible width.
void AppMenuTest::everyRowKeepsItsPortAndStopButton()
{
    QFETCH(int, rows);
    QFETCH(bool, xray);
    Fixture fixture;
    fixture.state.setXrayMode(xray);
    fixture.state.setIsVisible(true);
    AppMenu* menu = fixture.shown();
    fixture.bundles.back().readStats = [](const PortData&) {
        return std::optional(
            ProcessStats{QStringLiteral("12.5"), QStringLiteral("1.0"), QStringLiteral("123.45MB"),
                         QStringLiteral("feature/a-branch-name-much-longer-than-the-row-has-room-for")});
    };
    QList<PortData> ports;
    for (int i = 0; i < rows; ++i) {
        ports.append(
            PortData(QStringLiteral("node"), QString::number(3000 + i), QString::number(1000 + i),
                     HTMLData{QStringLiteral("A page title far too long for any window: ").repeated(4),
                              AppType::nextjs, std::nullopt, HttpScheme::http}));
    }
    menu->portsTab()->setPorts(ports);
    auto* scroll = menu->findChild<QScrollArea*>(QStringLiteral("listScroll"));
    QTRY_COMPARE(menu->portsTab()->portRows().size(), rows);
    QTRY_COMPARE(scroll->verticalScrollBar()->maximum() > 0, rows > 4);
    if (xray)
        QTRY_VERIFY(menu->portsTab()->portRows().constLast()->stats().has_value());
    // Measured once the rows have slid in and the list has its final height.
    const int bar = bottomBar(menu)->sizeHint().height() + 10;
    QTRY_COMPARE_WITH_TIMEOUT(menu->listAreaHeight(), std::min(300, rows * 60 + bar), 20000);
    const QRect visible = scroll->viewport()->rect();
    for (ProcessItem* row : menu->portsTab()->portRows()) {
        for (const char* name : {"port", "stopButton"}) {
            auto* part = row->findChild<QWidget*>(QString::fromLatin1(name));
            QVERIFY(part);
            const QRect shown(part->mapTo(scroll->viewport(), QPoint(0, 0)), part->size());
            QVERIFY2(shown.left() >= visible.left() && shown.right() <= visible.right(),
                     qPrintable(QStringLiteral("%1 of row %2 at %3..%4, visible width %5")
                                    .arg(QLatin1String(name), row->port().port())
                                    .arg(shown.left())
                                    .arg(shown.right())
                                    .arg(visible.width())));
        }
    }
}

void AppMenuTest::tabButtonsSwitchTabsAndXray()
{
    Fixture fixture;
    AppMenu* menu = fixture.shown();
    AppState& state = fixture.state;
    QVERIFY(menu->xrayToggle()->isSelected());

    menu->quickLaunchToggle()->click();
    QCOMPARE(state.selectedTab(), SelectedTab::quickLaunch);
    QVERIFY(menu->quickLaunchToggle()->isSelected() && !menu->xrayToggle()->isSelected());
    QVERIFY(!shown(bottomBar(menu)));
    QVERIFY(shown(child(menu, "quickLaunchTab")));
    QVERIFY(!shown(menu->portsTab()));

    // From another tab the ports button only comes back to the ports.
    menu->xrayToggle()->click();
    QCOMPARE(state.selectedTab(), SelectedTab::ports);
    QVERIFY(!state.xrayMode());
    QVERIFY(!menu->xrayToggle()->isBouncing());
    // Pressed again it turns x-ray on, and its icon hops.
    menu->xrayToggle()->click();
    QVERIFY(state.xrayMode());
    QVERIFY(menu->xrayToggle()->isBouncing());
    menu->xrayToggle()->click();
    QVERIFY(!state.xrayMode());

    menu->vercelToggle()->click();
    QCOMPARE(state.selectedTab(), SelectedTab::vercel);

    // Settings replaces the tabs with a page and a way back.
    menu->gearMenu()->actions().at(0)->trigger();
    QCOMPARE(state.selectedView(), SelectedView::settings);
    QCOMPARE(child<QLabel>(menu, "title")->text(), u"Settings"_s);
    QVERIFY(!menu->xrayToggle()->isVisible());
    auto* settings = menu->findChild<SettingsPage*>(QStringLiteral("settingsPage"));
    QVERIFY(settings && settings->isVisible());
    QCOMPARE(settings->statusText(), QStringLiteral("Status: Not Registered"));
    auto* back = child<QAbstractButton>(menu, "back");
    QVERIFY(shown(back));
    back->click();
    QCOMPARE(state.selectedView(), SelectedView::home);
    QCOMPARE(child<QLabel>(menu, "title")->text(), u"Tidewell"_s);
}

void AppMenuTest::bottomBarShowsTheIgnoredRows()
{
    Fixture fixture;
    AppMenu* menu = fixture.shown();
    QTRY_COMPARE(fixture.scans.load(), 1);
    QVERIFY(menu->portsTab()->showsNoPortsText());
    QCOMPARE(child<QLabel>(menu, "noPorts")->text(), u"No ports found"_s);
    auto* toggle = qobject_cast<QAbstractButton*>(bottomBar(menu));
    QVERIFY(shown(toggle));
    QCOMPARE(toggle->text(), u"Show All Ports"_s);
    const QList<PortData> ignored{
        PortListRefresher::ignoredEntry(PortData(u"postgres"_s, u"5432"_s, u"77"_s)),
        PortListRefresher::ignoredEntry(PortData(u"redis-ser"_s, u"6379"_s, u"78"_s))};
    menu->portsTab()->setIgnoredPorts(ignored);
    // Built only when asked for.
    QVERIFY(menu->portsTab()->ignoredRows().isEmpty());
    toggle->click();
    QVERIFY(fixture.state.showIgnoredPorts());
    QCOMPARE(toggle->text(), u"Hide All Ports"_s);
    const QList<ProcessItem*> rows = menu->portsTab()->ignoredRows();
    QCOMPARE(rows.size(), 2);
    QVERIFY(rows.at(0)->isSmall());
    QCOMPARE(rows.at(0)->port().port(), u"5432"_s);
    // The same listeners again keep their rows.
    menu->portsTab()->setIgnoredPorts(ignored);
    QCOMPARE(menu->portsTab()->ignoredRows(), rows);
    // A listener that went away leaves; the other row stays the same row.
    menu->portsTab()->setIgnoredPorts({ignored.at(1)});
    QCOMPARE(menu->portsTab()->ignoredRows(), QList<ProcessItem*>{rows.at(1)});
    toggle->click();
    QVERIFY(menu->portsTab()->ignoredRows().isEmpty());
}

// A port missed by one scan and listed again by the next must not show two rows.
void AppMenuTest::rowThatComesBackInTimeIsShownOnce()
{
    Fixture fixture;
    AppMenu* menu = fixture.shown();
    PortsTab* tab = menu->portsTab();
    tab->setAnimated(true);
    tab->setPorts({servedPort(3000), servedPort(3001)});
    tab->setPorts({servedPort(3000)});
    tab->setPorts({servedPort(3000), servedPort(3001)});
    QCOMPARE(tab->portRows().size(), 2);
    // Once every animation has ended, exactly the two rows are left in the list.
    QTRY_COMPARE(tab->findChildren<ProcessItem*>().size(), 2);
    QTest::qWait(0);
    QCOMPARE(tab->findChildren<ProcessItem*>().size(), 2);
}

void AppMenuTest::realServerAppearsWithItsTitle()
{
    auto server = startListener({u"--name"_s, u"node"_s, u"--title"_s, u"Checkout Preview"_s});
    QVERIFY(server->waitUntilReady());
    Fixture fixture(true);
    AppMenu* menu = fixture.shown();
    menu->setMenuPresented(true);
    const QString port = QString::number(server->port());
    auto rowFor = [&]() -> ProcessItem* {
        for (ProcessItem* row : menu->portsTab()->portRows()) {
            if (row->port().port() == port)
                return row;
        }
        return nullptr;
    };
    QTRY_VERIFY_WITH_TIMEOUT(rowFor() != nullptr, 5000);
    QCOMPARE(rowFor()->port().htmlData()->title, u"Checkout Preview"_s);
    QCOMPARE(child<QLabel>(rowFor(), "title")->text(), u"Checkout Preview"_s);
    QVERIFY(!menu->portsTab()->showsNoPortsText());

    // Gone from the listing, gone from the list.
    server->kill();
    QTRY_VERIFY_WITH_TIMEOUT(rowFor() == nullptr, 6000);
}

void AppMenuTest::refreshRunsOnlyWhileOpen()
{
    Fixture fixture;
    QSignalSpy finished(fixture.refresher.get(), &PortListRefresher::checkFinished);
    AppMenu* menu = fixture.build();
    // One scan when the content is built, and none after it while the window is closed.
    QTRY_COMPARE(finished.count(), 1);
    QVERIFY(!finished.wait(2600));
    QCOMPARE(fixture.scans.load(), 1);

    menu->setMenuPresented(true);
    QVERIFY(fixture.state.isVisible());
    // Opening scans at once, not at the first tick.
    QVERIFY(fixture.refresher->isScanning());
    QTRY_COMPARE(fixture.scans.load(), 2);
    QTRY_VERIFY_WITH_TIMEOUT(fixture.scans.load() >= 3, 3000);

    menu->setMenuPresented(false);
    QVERIFY(!fixture.state.isVisible());
    QCOMPARE(menu->bottomViewContentSize(), QSize(0, 0));
    const int scans = fixture.scans.load();
    QVERIFY(!finished.wait(2600) || fixture.scans.load() == scans);
    QCOMPARE(fixture.scans.load(), scans);
}

void AppMenuTest::savedDataPulsesTheBolt()
{
    Fixture fixture;
    fixture.state.setQuickLaunchData(u"{\"A\":{}}"_s);
    AppMenu* menu = fixture.build();
    // Saved items found at start differ from nothing: one pulse.
    QVERIFY(menu->isPulsing());
    QTRY_VERIFY(!menu->isPulsing());
    QTRY_COMPARE(menu->quickLaunchToggle()->iconScale(), 1.0);

    fixture.state.setQuickLaunchData(u"{\"A\":{}}"_s);
    QVERIFY(!menu->isPulsing());
    fixture.state.setQuickLaunchData(u"{}"_s);
    QVERIFY(menu->isPulsing());
    QTRY_COMPARE(menu->quickLaunchToggle()->iconScale(), 1.2);
    QTRY_VERIFY(!menu->isPulsing());
}

void AppMenuTest::gearMenuItems()
{
    Fixture fixture;
    AppMenu* menu = fixture.build();
    auto shownTexts = [menu] {
        QStringList texts;
        for (QAction* action : menu->gearMenu()->actions()) {
            if (action->isVisible())
                texts.append(action->text());
        }
        return texts;
    };
    QMenu* contact = menu->gearMenu()->actions().at(3)->menu();
    const QStringList texts = shownTexts();
    QCOMPARE(texts.mid(0, 5),
             (QStringList{QStringLiteral("Settings"), QStringLiteral("Refresh"), QStringLiteral("Quit"),
                          QStringLiteral("Contact"), QStringLiteral("Check for update")}));
    QVERIFY(texts.at(5).startsWith(QStringLiteral("Version: v")));
    // "Teams" joins them only on the deployments tab, once the teams are known.
    fixture.state.setTeamsData(TeamsResponse{});
    QCOMPARE(shownTexts().value(4), QStringLiteral("Check for update"));
    fixture.state.setSelectedTab(SelectedTab::vercel);
    QCOMPARE(shownTexts().value(4), QStringLiteral("Teams"));
    fixture.state.setSelectedTab(SelectedTab::quickLaunch);
    QCOMPARE(shownTexts().value(4), QStringLiteral("Check for update"));
    QVERIFY(contact);
    QCOMPARE(contact->actions().size(), 2);
    contact->actions().at(0)->trigger();
    contact->actions().at(1)->trigger();
    QCOMPARE(fixture.desktop->calls,
             (QStringList{u"openUrl mailto:support@orvane.com?subject=Tidewell%20Issue%20Report"_s,
                          u"openUrl mailto:support@orvane.com?subject=Tidewell%20Feedback"_s}));

    QSignalSpy quit(menu, &AppMenu::quitRequested);
    menu->gearMenu()->actions().at(2)->trigger();
    QCOMPARE(quit.count(), 1);

    // Refresh forgets what was seen and scans again.
    QTRY_COMPARE(fixture.scans.load(), 1);
    menu->gearMenu()->actions().at(1)->trigger();
    QTRY_COMPARE(fixture.scans.load(), 2);
    menu->gearMenu()->actions().at(5)->trigger();
    QCOMPARE(fixture.state.selectedView(), SelectedView::checkForUpdate);
    QCOMPARE(menu->findChild<QLabel*>(QStringLiteral("title"))->text(), QStringLiteral("Updates"));
    // Every opening makes a fresh page, which asks the service again.
    const QPointer<UpdatePage> first = menu->findChild<UpdatePage*>();
    QVERIFY(first);
    menu->findChild<QPushButton*>(QStringLiteral("back"))->click();
    QVERIFY(!first);
    menu->gearMenu()->actions().at(5)->trigger();
    QVERIFY(menu->findChild<UpdatePage*>());
}

void AppMenuTest::versionLabel_data()
{
    QTest::addColumn<QString>("shortVersion");
    QTest::addColumn<QString>("build");
    QTest::addColumn<QString>("expected");
    QTest::newRow("both") << u"1.4.0"_s << u"27"_s << u"v1.4.0 (27)"_s;
    QTest::newRow("no build") << u"1.4.0"_s << QString() << u"v1.4.0 (⚠️)"_s;
    QTest::newRow("nothing") << QString() << QString() << u"v⚠️ (⚠️)"_s;
}

void AppMenuTest::versionLabel()
{
    QFETCH(QString, shortVersion);
    QFETCH(QString, build);
    QFETCH(QString, expected);
    QCOMPARE(AppMenu::versionLabel(shortVersion, build), expected);
}

void AppMenuTest::revealOverlayFollowsXray()
{
    Fixture fixture;
    AppMenu* menu = fixture.shown();
    ImpactRevealOverlay* overlay = menu->revealOverlay();
    QVERIFY(overlay->isHidden());
    fixture.state.setXrayMode(true);
    QVERIFY(!overlay->isHidden());
    QVERIFY(overlay->elapsedSeconds() < 0.2);
    QCOMPARE(overlay->geometry(), menu->rect());
    QVERIFY(overlay->isAnimating());
    // The wave spreads and fades; then nothing is drawn over the rows any more.
    QTRY_VERIFY_WITH_TIMEOUT(!overlay->isAnimating(), 3000);
    QVERIFY(overlay->isHidden());
    QVERIFY(overlay->effectPlaying());
    fixture.state.setXrayMode(false);
    QVERIFY(overlay->isHidden());
    fixture.state.setXrayMode(true);
    QVERIFY(overlay->elapsedSeconds() < 0.2);
}

void AppMenuTest::windowPlacement_data()
{
    QTest::addColumn<QRect>("icon");
    QTest::addColumn<QPoint>("expected");
    // Screen 1920x1080; window 380x200.
    QTest::newRow("top tray: under the icon") << QRect(900, 0, 24, 24) << QPoint(721, 28);
    QTest::newRow("bottom tray: above the icon") << QRect(900, 1056, 24, 24) << QPoint(721, 852);
    QTest::newRow("icon at the right edge") << QRect(1900, 0, 20, 20) << QPoint(1536, 24);
    QTest::newRow("icon at the left edge") << QRect(0, 0, 20, 20) << QPoint(4, 24);
    QTest::newRow("bottom tray at the right edge") << QRect(1900, 1060, 20, 20) << QPoint(1536, 856);
}

void AppMenuTest::windowPlacement()
{
    QFETCH(QRect, icon);
    QFETCH(QPoint, expected);
    QCOMPARE(MenuWindowPlacement::position(icon, QSize(380, 200), QRect(0, 0, 1920, 1080)), expected);
}

void AppMenuTest::withoutTrayTheWindowOpensPlainly()
{
    Fixture fixture;
    AppMenu* menu = fixture.build();
    TidewellMenu item(menu);
    item.start();
    QVERIFY(!item.hasTray());
    QTRY_VERIFY(menu->isVisible());
    QVERIFY(item.isMenuPresented());
    QVERIFY(fixture.state.isVisible());
    QCOMPARE(menu->windowType(), Qt::Window);
    menu->close();
    QTRY_VERIFY(!item.isMenuPresented());
    QVERIFY(!fixture.state.isVisible());
    item.setMenuPresented(true);
    QTRY_VERIFY(fixture.state.isVisible());
}

void AppMenuTest::secondStartAsksTheFirstToShow()
{
    QTemporaryDir dir;
    const QString name = dir.filePath(u"com.orvane.Tidewell"_s);
    SingleInstance first(name);
    QVERIFY(!first.askRunningInstanceToShow());
    QVERIFY(first.listen());
    QSignalSpy shows(&first, &SingleInstance::showRequested);
    SingleInstance second(name);
    QVERIFY(second.askRunningInstanceToShow());
    QVERIFY(shows.wait(3000));
    // A start that raced past the question must not take the socket from a live instance.
    SingleInstance racing(name);
    QVERIFY(!racing.listen());
    SingleInstance third(name);
    QVERIFY(third.askRunningInstanceToShow());
    QVERIFY(shows.wait(3000));

    // Neither a socket nor a lock left by a run that crashed stops the next one.
    QVERIFY(QFile(dir.filePath(u"stale"_s)).open(QIODevice::WriteOnly));
    SingleInstance afterCrash(dir.filePath(u"stale"_s));
    QVERIFY(!afterCrash.askRunningInstanceToShow());
    QVERIFY(afterCrash.listen());
    {
        QFile lock(dir.filePath(u"crashed.lock"_s));
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write("4194300\ntidewell\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    }
    SingleInstance afterCrashedLock(dir.filePath(u"crashed"_s));
    QVERIFY(afterCrashedLock.listen());
}

QTEST_MAIN(AppMenuTest)
#include "tst_appmenu.moc"
