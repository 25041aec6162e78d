#include "gui/ports/ImpactRevealOverlay.h"
#include "gui/process/ProcessDetailsPanel.h"
#include "gui/quicklaunch/QuickLaunchItem.h"
#include "gui/quicklaunch/QuickLaunchList.h"
#include "gui/shell/MenuKeyboardControl.h"
#include "gui/shell/MenuWindowPlacement.h"
#include "gui/shell/TidewellMenu.h"
#include "gui/update/UpdatePage.h"
#include "gui/widgets/DelayPopover.h"
#include "gui/widgets/ElidedLabel.h"
#include "gui/widgets/HintLabel.h"
#include "gui/widgets/PopoverWindow.h"
#include "gui/widgets/RowHoverLook.h"
#include "gui/widgets/TabButton.h"
#include "platform/ListeningSocketSource.h"
#include "process/ProcessStopper.h"
#include "state/SingleInstance.h"
#include "support/AppMenuTestSeam.h"
#include "support/LogCapture.h"
#include "support/MenuFixture.h"
#include "support/WidgetHelpers.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyleOptionSlider>
#include <QSysInfo>
#include <QTextDocumentFragment>
#include <QVariantAnimation>
#include <sys/stat.h>

using namespace tidewell;
using namespace tidewell::test;
using namespace Qt::StringLiterals;

namespace {

QList<PortData> servedPorts(int count, const QString& title = u"Page"_s)
{
    QList<PortData> ports;
    for (int i = 0; i < count; ++i)
        ports.append(PortData(u"node"_s, QString::number(3000 + i), QString::number(1000 + i),
                              HTMLData{title, AppType::nextjs, std::nullopt, HttpScheme::http}));
    return ports;
}

QAction* gearItem(AppMenu* menu, const QString& text)
{
    for (QAction* action : menu->findChild<QMenu*>(u"gearMenu"_s)->actions()) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

// A tooltip is markup whenever its text looks like markup.
QString shownToolTip(const QString& tip)
{
    return Qt::mightBeRichText(tip) ? QTextDocumentFragment::fromHtml(tip).toPlainText() : tip;
}

// Labels that may render markup, and tooltips that did (an image, or the marker without its tag).
QStringList markupIn(QList<QWidget*> widgets)
{
    QStringList found;
    for (QWidget* root : QList(widgets))
        widgets += root->findChildren<QWidget*>();
    for (const QWidget* widget : widgets) {
        const auto* label = qobject_cast<const QLabel*>(widget);
        const QString tip = shownToolTip(widget->toolTip());
        if ((label && label->textFormat() != Qt::PlainText) ||
            tip.contains(QChar::ObjectReplacementCharacter) ||
            (tip.contains(u"SPOOFED"_s) && !tip.contains(u"<font"_s)))
            found.append(widget->objectName() + u": "_s + (label ? label->text() : widget->toolTip()));
    }
    return found;
}

// The window over the host's real listeners, with two servers of the test's own in folders whose
// names no other server holds; typing that part of the name leaves only their rows.
struct Servers : MenuFixture
{
    QString suffix = QDir(dir.path()).dirName().section(u'-', -1).toLower();
    std::vector<std::unique_ptr<ChildProcess>> servers; // alpha, then beta
    Host stopHost = Host::create();

    Servers() : MenuFixture(true)
    {
        for (const QString& title : {u"Alpha Store"_s, u"Beta Journal"_s}) {
            const QString folder = dir.filePath(title.section(u' ', 0, 0).toLower() + u'-' + suffix);
            QDir().mkpath(folder);
            servers.push_back(startListenerFromShell({u"--name"_s, u"node"_s, u"--title"_s, title}, folder));
        }
        build(false);
        bundles.back().stopProcess = [stopper = ProcessStopper(stopHost.tools, stopHost.processes)](
                                         const ProcessIdentity& listed, StopSignal signal) {
            return stopper.stopProcess(listed, signal, ProcessStopper::kWatchMs);
        };
    }
    // Which of the two servers have a row on the ports tab.
    QStringList ownRows() const
    {
        QStringList names{u"alpha"_s, u"beta"_s};
        names.removeIf(
            [this](const QString& name) { return !portRow(servers.at(name == u"beta"_s)->port()); });
        return names;
    }
    // Opens the window once both servers are listed with their folders; on the quick-launch tab
    // both are saved first.
    void open(bool quickLaunch)
    {
        for (const auto& server : servers)
            QVERIFY(server->waitUntilReady());
        menu->show();
        menu->setMenuPresented(true);
        const auto own = [this] {
            QList<PortData> entries = refresher->sortedPorts();
            entries.removeIf([&](const PortData& e) {
                return !e.processInfo() || !e.processInfo()->cwd.contains(suffix) ||
                       !portRow(e.port().toInt());
            });
            return entries;
        };
        QTRY_COMPARE_WITH_TIMEOUT(own().size(), 2, 20000);
        if (!quickLaunch)
            return;
        for (const PortData& entry : own())
            QuickLaunchStore::addQuickLaunchItem(entry, state);
        state.setSelectedTab(SelectedTab::quickLaunch);
        QTRY_COMPARE(menu->quickLaunchTab()->rows().size(), 2);
    }
    QList<QWidget*> rows() const
    {
        if (state.selectedTab() == SelectedTab::quickLaunch)
            return menu->quickLaunchTab()->rows();
        const auto ports = menu->portsTab()->portRows();
        return QList<QWidget*>(ports.cbegin(), ports.cend());
    }
    // A key as a user presses it: to the widget holding the focus.
    void press(const QKeySequence& key)
    {
        QTest::keyClick(menu->focusWidget() ? menu->focusWidget() : menu.get(), key[0].key(),
                        key[0].keyboardModifiers());
    }
};

bool highlighted(QWidget* row)
{
    auto* port = qobject_cast<ProcessItem*>(row);
    return (port ? port->rowHoverLook() : qobject_cast<QuickLaunchItem*>(row)->rowHoverLook())
        ->isHighlighted();
}

} // namespace

// The window's content, tabs, gear menu, placement and keys, and the outside texts its rows show.
class AppMenuTest : public QObject
{
    Q_OBJECT
private slots:
    void everyRowKeepsItsPortAndStopButton_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("xray");
        for (const int rows : {1, 20, 200}) {
            for (const bool xray : {false, true})
                QTest::addRow("%d rows, x-ray %s", rows, xray ? "on" : "off") << rows << xray;
        }
    }

    // However many rows, with a title and a branch far too long, port and stop button stay in view,
    // and the window is as tall as its content.
    void everyRowKeepsItsPortAndStopButton()
    {
        QFETCH(int, rows);
        QFETCH(bool, xray);
        MenuFixture fixture;
        fixture.state.setXrayMode(xray);
        fixture.state.setIsVisible(true);
        AppMenu* menu = fixture.build();
        fixture.bundles.back().readStats =
            steadyReadings(ProcessStats{u"12.5"_s, u"1.0"_s, u"123.45MB"_s,
                                        u"feature/a-branch-name-much-longer-than-the-row-has-room-for"_s});
        menu->portsTab()->setPorts(
            servedPorts(rows, u"A page title far too long for any window: "_s.repeated(4)));
        auto* scroll = child<QScrollArea>(menu, "listScroll");
        QTRY_COMPARE(menu->portsTab()->portRows().size(), rows);
        QTRY_COMPARE(scroll->verticalScrollBar()->maximum() > 0, rows > 4);
        if (xray)
            QTRY_VERIFY(menu->portsTab()->portRows().constFirst()->stats().has_value());
        // Measured once the rows have slid in; the window ends with the list.
        QWidget* listArea = child(menu, "listArea");
        const int bar =
            child(menu, "ignoredPortsToggle")->sizeHint().height() + listArea->layout()->spacing();
        const int rowHeight = menu->portsTab()->portRows().constFirst()->height();
        const int list = std::min(AppMenu::kMaxListHeight, rows * rowHeight + bar);
        QTRY_COMPARE_WITH_TIMEOUT(listArea->height(), list, 20000);
        QTRY_COMPARE(menu->height(),
                     listArea->geometry().bottom() + 1 + menu->layout()->contentsMargins().bottom());
        const QRect visible = scroll->viewport()->rect();
        // The scroll bar lies over the rows, thin and without arrows; the rows keep the whole width.
        QCOMPARE(scroll->viewport()->width(), scroll->width());
        auto* overlay = child<QScrollBar>(scroll, "overlayScrollBar");
        QTRY_COMPARE(overlay->isVisible(), rows > 4);
        if (rows > 4) {
            // Thinner than the style's own bar, over the rows' edge, so the rows keep their width.
            QVERIFY(overlay->width() < QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent) &&
                    overlay->geometry().right() == scroll->viewport()->geometry().right());
            QStyleOptionSlider option;
            option.initFrom(overlay);
            option.orientation = Qt::Vertical;
            option.subControls = QStyle::SC_All;
            option.minimum = overlay->minimum();
            option.maximum = overlay->maximum();
            option.sliderPosition = option.sliderValue = overlay->value();
            option.pageStep = overlay->pageStep();
            option.singleStep = overlay->singleStep();
            for (const QStyle::SubControl arrow : {QStyle::SC_ScrollBarAddLine, QStyle::SC_ScrollBarSubLine})
                QVERIFY(overlay->style()
                            ->subControlRect(QStyle::CC_ScrollBar, &option, arrow, overlay)
                            .height() <= 0);
            overlay->setValue(overlay->maximum());
            QCOMPARE(scroll->verticalScrollBar()->value(), scroll->verticalScrollBar()->maximum());
            overlay->setValue(0);
        }
        for (ProcessItem* row : menu->portsTab()->portRows()) {
            // Two lines, the second shortened, each inside the label, the label inside the row.
            auto* title = child<QLabel>(row, "title");
            const QStringList lines = title->text().split(u'\n');
            QCOMPARE(lines.size(), 2);
            QVERIFY2(lines.last().endsWith(u'…'), qPrintable(title->text()));
            const QFontMetrics metrics = title->fontMetrics();
            for (const QString& line : lines)
                QVERIFY2(metrics.horizontalAdvance(line) <= title->width(), qPrintable(line));
            const QRect needed =
                metrics.boundingRect(QRect(0, 0, title->width(), 10000), Qt::TextWordWrap, title->text());
            QCOMPARE_LE(needed.height(), title->height());
            QVERIFY(QRect(QPoint(0, 0), row->size()).contains(title->geometry()));
            for (const char* name : {"port", "stopButton"}) {
                const QRect shown = inViewport(child(row, name), scroll);
                QVERIFY2(shown.left() >= visible.left() && shown.right() <= visible.right(), name);
            }
        }
    }

    // The x-ray button shows x-ray on with a tinted plate and as a checked button; a click that only
    // comes back to the ports tab does not turn it on.
    void tabButtonsSwitchTabsAndXray()
    {
        MenuFixture fixture;
        AppMenu* menu = fixture.build();
        AppState& state = fixture.state;
        auto* overlay = child<ImpactRevealOverlay>(menu, "impactRevealOverlay");
        auto* xray = child<TabButton>(menu, "xrayToggle");
        auto* bolt = child<TabButton>(menu, "quickLaunchToggle");
        QVERIFY(xray->isSelected() && !xray->accessibleName().isEmpty());
        // A spot of the plate that neither the symbol nor the bar covers.
        const QPoint plate(4 * xray->devicePixelRatio(), 3 * xray->devicePixelRatio());
        const auto look = [&] { return xray->grab().toImage().pixelColor(plate); };
        const auto checked = [&] {
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(xray);
            return accessible && accessible->state().checkable && accessible->state().checked;
        };
        const QColor off = look();
        QVERIFY(!checked());
        bolt->click();
        QCOMPARE(state.selectedTab(), SelectedTab::quickLaunch);
        QVERIFY(bolt->isSelected() && !xray->isSelected());
        QVERIFY(!shown(child(menu, "ignoredPortsToggle")) && !shown(menu->portsTab()));
        QVERIFY(shown(child(menu, "quickLaunchTab")));
        xray->click();
        QCOMPARE(state.selectedTab(), SelectedTab::ports);
        QVERIFY(!state.xrayMode() && !checked() && !xray->isBouncing() && overlay->isHidden());
        QCOMPARE(look(), off);
        // Pressed again: on, the icon hops, a wave spreads over the window, then leaves the rows free.
        xray->click();
        QVERIFY(state.xrayMode() && checked() && xray->isBouncing() && look() != off);
        QVERIFY(!overlay->isHidden() && overlay->isAnimating());
        QCOMPARE(overlay->geometry(), menu->rect());
        QTRY_VERIFY_WITH_TIMEOUT(!overlay->isAnimating(), 3000);
        QVERIFY(overlay->isHidden() && overlay->effectPlaying());
        // On again: the wave starts over.
        const double playedFor = overlay->elapsedSeconds();
        xray->click();
        QVERIFY(!state.xrayMode());
        xray->click();
        QVERIFY(overlay->elapsedSeconds() < playedFor);
        child<TabButton>(menu, "vercelToggle")->click();
        QCOMPARE(state.selectedTab(), SelectedTab::vercel);
        gearItem(menu, u"Settings"_s)->trigger();
        QCOMPARE(state.selectedView(), SelectedView::settings);
        QCOMPARE(child<QLabel>(menu, "title")->text(), u"Settings"_s);
        QVERIFY(!xray->isVisible() && child(menu, "settingsPage")->isVisible());
        child<QAbstractButton>(menu, "back")->click();
        QCOMPARE(state.selectedView(), SelectedView::home);
        QCOMPARE(child<QLabel>(menu, "title")->text(), u"Tidewell"_s);
    }

    void rowsComeAndGo()
    {
        MenuFixture fixture;
        AppMenu* menu = fixture.build();
        PortsTab* tab = menu->portsTab();
        QTRY_COMPARE(fixture.scans.load(), 1);
        QCOMPARE(child<QLabel>(menu, "noPorts")->text(), u"No ports found"_s);
        QVERIFY(tab->showsNoPortsText());
        auto* toggle = child<QAbstractButton>(menu, "ignoredPortsToggle");
        QCOMPARE(toggle->text(), u"Show All Ports"_s);
        const QList<PortData> ignored{
            PortListRefresher::ignoredEntry(PortData(u"postgres"_s, u"5432"_s, u"77"_s)),
            PortListRefresher::ignoredEntry(PortData(u"redis-ser"_s, u"6379"_s, u"78"_s))};
        tab->setIgnoredPorts(ignored);
        QVERIFY(tab->ignoredRows().isEmpty()); // built only when asked for
        toggle->click();
        QVERIFY(fixture.state.showIgnoredPorts());
        QCOMPARE(toggle->text(), u"Hide All Ports"_s);
        const QList<ProcessItem*> rows = tab->ignoredRows();
        QCOMPARE(rows.size(), 2);
        QVERIFY(rows.at(0)->isSmall());
        // The same listeners again keep their rows; one that went away leaves, the other stays.
        tab->setIgnoredPorts(ignored);
        QCOMPARE(tab->ignoredRows(), rows);
        tab->setIgnoredPorts({ignored.at(1)});
        QCOMPARE(tab->ignoredRows(), QList<ProcessItem*>{rows.at(1)});
        QTRY_COMPARE(tab->findChildren<ProcessItem*>().size(), 1);
        toggle->click();
        QVERIFY(tab->ignoredRows().isEmpty());
        // A port missed by one scan and listed by the next has one row, also after every animation.
        tab->setAnimated(true);
        tab->setPorts(servedPorts(2));
        tab->setPorts(servedPorts(1));
        tab->setPorts(servedPorts(2));
        QCOMPARE(tab->portRows().size(), 2);
        QTRY_COMPARE(tab->findChildren<ProcessItem*>().size(), 2);
        QTest::qWait(0);
        QCOMPARE(tab->findChildren<ProcessItem*>().size(), 2);
        // A screen reader hears of a server that came or went: the announcer's name (what reaches AT-SPI).
        const QWidget* announcer = child<QWidget>(tab, "announcer");
        tab->setPorts(servedPorts(3, u"Shop"_s));
        QCOMPARE(announcer->accessibleName(), u"Server started: Shop on port 3002"_s);
        tab->setPorts(servedPorts(2, u"Shop"_s));
        QCOMPARE(announcer->accessibleName(), u"Server stopped: Shop on port 3002"_s);
        QCOMPARE(QAccessible::queryAccessibleInterface(const_cast<QWidget*>(announcer))->role(),
                 QAccessible::Notification);
    }

    // Without a tray the window is a plain window, refreshed only while open.
    void plainWindowRefreshesOnlyWhileOpen()
    {
        MenuFixture fixture;
        QSignalSpy finished(fixture.refresher.get(), &PortListRefresher::checkFinished);
        AppMenu* menu = fixture.build(false);
        QTimer& tick = AppMenuTestSeam::refreshTimer(*menu);
        QTRY_COMPARE(finished.count(), 1);
        QVERIFY(!tick.isActive());
        TidewellMenu item(menu, fixture.services());
        menu->setRefreshIntervalMs(3600000); // opening scans at its first frame, not at a tick
        item.start();
        QVERIFY(!item.hasTray() && fixture.state.isVisible());
        QTRY_VERIFY(menu->isVisible());
        QVERIFY(item.isMenuPresented());
        QCOMPARE(menu->windowType(), Qt::Window);
        QTRY_COMPARE(fixture.scans.load(), 2);
        QVERIFY(tick.isActive());
        menu->setRefreshIntervalMs(AppMenu::kRefreshIntervalMs);
        QTRY_VERIFY_WITH_TIMEOUT(fixture.scans.load() >= 3, 10000);
        menu->close();
        QTRY_VERIFY(!item.isMenuPresented());
        QVERIFY(!fixture.state.isVisible() && !tick.isActive());
        item.setMenuPresented(true);
        QTRY_VERIFY(fixture.state.isVisible());
    }

    void savedDataPulsesTheBolt()
    {
        MenuFixture fixture;
        fixture.state.setQuickLaunchData(u"{\"A\":{}}"_s);
        AppMenu* menu = fixture.build(false);
        auto* bolt = child<TabButton>(menu, "quickLaunchToggle");
        auto* pulse = child<QVariantAnimation>(bolt, "iconScaleAnimation");
        // Saved items found at start: one pulse, which grows the icon and brings it back.
        QCOMPARE(pulse->endValue(), QVariant(1.2));
        QTRY_COMPARE(bolt->iconScale(), 1.2);
        QTRY_COMPARE(pulse->endValue(), QVariant(1.0));
        QTRY_COMPARE(bolt->iconScale(), 1.0);
        QTRY_COMPARE(pulse->state(), QAbstractAnimation::Stopped);
        fixture.state.setQuickLaunchData(u"{\"A\":{}}"_s);
        QCOMPARE(pulse->state(), QAbstractAnimation::Stopped);
        LogCapture trace;
        fixture.state.setQuickLaunchData(u"{\"B\":{\"cwd\":\"/srv/secret\"}}"_s);
        QVERIFY(pulse->state() == QAbstractAnimation::Running && pulse->endValue() == QVariant(1.2));
        QCOMPARE(trace.lines(), QStringList{u"quickLaunchData has changed to: <json>"_s});
        QTRY_COMPARE(bolt->iconScale(), 1.2);
        QTRY_COMPARE(bolt->iconScale(), 1.0);
    }

    void gearMenuItems()
    {
        MenuFixture fixture;
        AppMenu* menu = fixture.build(false);
        QAction* teams = gearItem(menu, u"Teams"_s);
        fixture.state.setTeamsData(TeamsResponse{});
        QVERIFY(!teams->isVisible());
        fixture.state.setSelectedTab(SelectedTab::vercel);
        QVERIFY(teams->isVisible());
        fixture.state.setSelectedTab(SelectedTab::quickLaunch);
        QVERIFY(!teams->isVisible());
        fixture.desktop->failure = u"xdg-open not found"_s;
        gearItem(menu, u"Contact"_s)->menu()->actions().first()->trigger();
        auto* failure = menu->findChild<QLabel*>(u"failure"_s, Qt::FindDirectChildrenOnly);
        QVERIFY(failure && !failure->isHidden());
        QCOMPARE(failure->text(), u"xdg-open not found"_s);
        fixture.desktop->failure.clear();
        fixture.desktop->calls.clear();
        for (QAction* action : gearItem(menu, u"Contact"_s)->menu()->actions())
            action->trigger();
        QVERIFY(failure->isHidden());
        QCOMPARE(fixture.desktop->calls,
                 (QStringList{u"openUrl mailto:support@orvane.com?subject=Tidewell%20Issue%20Report"_s,
                              u"openUrl mailto:support@orvane.com?subject=Tidewell%20Feedback"_s}));
        QSignalSpy quit(menu, &AppMenu::quitRequested);
        QCOMPARE(menu->findChild<QMenu*>(u"gearMenu"_s)->actions().last(), gearItem(menu, u"Quit"_s));
        gearItem(menu, u"Quit"_s)->trigger();
        QCOMPARE(quit.count(), 1);
        QTRY_COMPARE(fixture.scans.load(), 1);
        gearItem(menu, u"Refresh"_s)->trigger();
        QTRY_COMPARE(fixture.scans.load(), 2);
        // Each opening of the update page is a fresh page, which asks the service again.
        gearItem(menu, u"Check for update"_s)->trigger();
        QCOMPARE(fixture.state.selectedView(), SelectedView::checkForUpdate);
        QCOMPARE(child<QLabel>(menu, "title")->text(), u"Updates"_s);
        const QPointer<UpdatePage> first = menu->findChild<UpdatePage*>();
        child<QAbstractButton>(menu, "back")->click();
        QVERIFY(!first);
        gearItem(menu, u"Check for update"_s)->trigger();
        QVERIFY(menu->findChild<UpdatePage*>());
        QCOMPARE(AppMenu::versionLabel(u"1.4.0"_s, u"27"_s), u"v1.4.0 (27)"_s);
        QCOMPARE(AppMenu::versionLabel(u"1.4.0"_s, {}), u"v1.4.0 (⚠️)"_s);
        QCOMPARE(AppMenu::versionLabel({}, {}), u"v⚠️ (⚠️)"_s);
    }

    void windowPlacement_data()
    {
        QTest::addColumn<QRect>("icon");
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QPoint>("expected");
        const QRect screen(0, 0, 1920, 1080);
        QTest::newRow("top tray: under the icon") << QRect(900, 0, 24, 24) << screen << QPoint(721, 28);
        QTest::newRow("bottom tray: above the icon")
            << QRect(900, 1056, 24, 24) << screen << QPoint(721, 852);
        QTest::newRow("icon at the right edge") << QRect(1900, 0, 20, 20) << screen << QPoint(1536, 24);
        QTest::newRow("icon at the left edge") << QRect(0, 0, 20, 20) << screen << QPoint(4, 24);
        // The pointer on the panel stands for an icon the tray does not place; the window keeps off it.
        QTest::newRow("pointer on a top panel")
            << QRect(1000, 10, 1, 1) << QRect(0, 30, 1920, 1050) << QPoint(810, 34);
        QTest::newRow("pointer on a bottom panel")
            << QRect(1910, 1070, 1, 1) << QRect(0, 0, 1920, 1040) << QPoint(1536, 836);
        QTest::newRow("pointer on a left panel")
            << QRect(5, 500, 1, 1) << QRect(48, 0, 1872, 1080) << QPoint(52, 505);
    }

    void windowPlacement()
    {
        QFETCH(QRect, icon);
        QFETCH(QRect, available);
        QTEST(MenuWindowPlacement::position(icon, QSize(380, 200), available), "expected");
    }

    void secondStartAsksTheFirstToShow()
    {
        QTemporaryDir dir;
        const QString name = dir.filePath(u"com.orvane.Tidewell"_s);
        SingleInstance first(name);
        QVERIFY(!first.askRunningInstanceToShow());
        QVERIFY(first.listen());
        QSignalSpy shows(&first, &SingleInstance::showRequested);
        QVERIFY(SingleInstance(name).askRunningInstanceToShow());
        QVERIFY(shows.wait(3000));
        // A start that raced past the question does not take the socket from a live instance.
        QVERIFY(!SingleInstance(name).listen());
        QVERIFY(SingleInstance(name).askRunningInstanceToShow());
        QVERIFY(shows.wait(3000));
        // Neither a socket nor a lock left by a run that crashed stops the next one.
        QVERIFY(writeFile(dir.filePath(u"stale"_s), {}));
        QVERIFY(!SingleInstance(dir.filePath(u"stale"_s)).askRunningInstanceToShow());
        QVERIFY(SingleInstance(dir.filePath(u"stale"_s)).listen());
        QVERIFY(writeFile(dir.filePath(u"crashed.lock"_s),
                          "4194300\ntidewell\n" + QSysInfo::machineHostName().toUtf8() + "\n"));
        QVERIFY(SingleInstance(dir.filePath(u"crashed"_s)).listen());
    }

    // With a minute-long tick only the watch of the listening sockets, run while open, moves rows.
    void watchBringsAndTakesRowsWhileOpen()
    {
        MenuFixture fixture(true);
        fixture.refresher->setListeningWatch(
            [sockets = fixture.host.sockets] { return sockets->listeningInodes(); });
        if (!fixture.host.sockets->listeningInodes())
            QSKIP("this host lists sockets only through lsof, which is too costly to watch");
        AppMenu* menu = fixture.build();
        QTimer& tick = AppMenuTestSeam::refreshTimer(*menu);
        menu->setRefreshIntervalMs(60000);
        menu->setMenuPresented(true);
        QTRY_VERIFY(fixture.refresher->isWatching());
        // The probes of other servers on this machine may take long.
        QTRY_VERIFY_WITH_TIMEOUT(fixture.scans.load() >= 1 && !fixture.refresher->isScanning(), 60000);
        auto server = startListener({u"--name"_s, u"node"_s, u"--title"_s, u"Checkout Preview"_s});
        QVERIFY(server->waitUntilReady());
        QTRY_VERIFY_WITH_TIMEOUT(fixture.portRow(server->port()), 40000);
        QCOMPARE(child<ElidedLabel>(fixture.portRow(server->port()), "title")->fullText(),
                 u"Checkout Preview"_s);
        server->kill();
        QTRY_VERIFY_WITH_TIMEOUT(!fixture.portRow(server->port()), 40000);
        menu->setMenuPresented(false);
        QVERIFY(!fixture.refresher->isWatching() && !tick.isActive());
    }

    void hostileTextsStayText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("font") << u"<font color=red size=7>SPOOFED</font>"_s;
        QTest::newRow("endless image") << u"<img src=\"/dev/zero\">"_s;
        QTest::newRow("image that never opens") << u"<img src=\"FIFO\">"_s;
    }
    // The text as page title, folder and command of a port row, a saved row and a popover with details.
    void hostileTextsStayText()
    {
        QFETCH(QString, text);
        QTemporaryDir dir;
        QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath(u"fifo"_s)).constData(), 0600), 0);
        text.replace(u"FIFO"_s, dir.filePath(u"fifo"_s));
        ServicesFixture fixture;
        const PortData entry(u"node"_s, u"3000"_s, u"1"_s,
                             HTMLData{text, AppType::nextjs, std::nullopt, HttpScheme::http},
                             ProcessInfo{dir.filePath(text), text});
        ProcessItem row(entry, false, fixture.services());
        QuickLaunchItem savedRow(QuickLaunchStore::addQuickLaunchItem(entry, fixture.state),
                                 fixture.services());
        PopoverWindow popover(text, nullptr, new ProcessDetailsPanel(entry, true));
        // Before any layout: a label that takes the text for markup loads its images then.
        const QStringList found = markupIn({&row, &savedRow, &popover});
        QVERIFY2(found.isEmpty(), qPrintable(found.join(u'\n')));
        for (QWidget* widget : QList<QWidget*>{&row, &savedRow, &popover})
            widget->grab();
        QCOMPARE(shownToolTip(popover.findChild<QLabel*>(u"popoverTitle"_s)->toolTip()), text);
    }

    void typingKeepsTheMatchingRows_data()
    {
        QTest::addColumn<bool>("quickLaunch");
        // %1 is the folders' random part, %2 and %3 the two servers' ports.
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("kept");
        QTest::newRow("folder, other case") << false << u"ALPHA-%1"_s << QStringList{u"alpha"_s};
        QTest::newRow("port and title word") << false << u"%3 journal"_s << QStringList{u"beta"_s};
        QTest::newRow("every word must match") << false << u"%1 %2 journal"_s << QStringList();
        QTest::newRow("quick launch, by folder") << true << u"beta-%1"_s << QStringList{u"beta"_s};
        QTest::newRow("quick launch, none") << true << u"%1 nothing"_s << QStringList();
    }

    void typingKeepsTheMatchingRows()
    {
        QFETCH(bool, quickLaunch);
        QFETCH(QString, typed);
        QFETCH(QStringList, kept);
        Servers servers;
        AppMenu* menu = servers.menu.get();
        menu->setWindowFlag(Qt::Popup);
        servers.open(quickLaunch);
        if (QTest::currentTestFailed())
            return;
        // The first key reaches the window, the others the field it opened, which holds the focus.
        const QString text =
            typed.arg(servers.suffix).arg(servers.servers.at(0)->port()).arg(servers.servers.at(1)->port());
        for (const QChar key : text) {
            QWidget* target = shown(menu->filterField()) ? static_cast<QWidget*>(menu->filterField()) : menu;
            QTest::keyClick(target, key.toLatin1());
        }
        QVERIFY(shown(menu->filterField()));
        QCOMPARE(menu->filterField()->text(), text);
        if (quickLaunch) {
            QTRY_COMPARE(menu->quickLaunchTab()->rows().size(), kept.size());
            QCOMPARE(menu->quickLaunchTab()->showsNoItemsText(), kept.isEmpty());
            QCOMPARE(menu->quickLaunchTab()->placeholderText(), u"No matching servers"_s);
        } else {
            QTRY_COMPARE(servers.ownRows(), kept);
            QCOMPARE(menu->portsTab()->showsNoPortsText(), menu->portsTab()->portRows().isEmpty());
            QCOMPARE(menu->portsTab()->placeholderText(), u"No matching servers"_s);
        }
        // The first Escape brings every row back and puts the field away; the second closes the window.
        QTest::keyClick(menu, Qt::Key_Escape);
        QVERIFY(!shown(menu->filterField()));
        QTRY_VERIFY(quickLaunch ? servers.rows().size() == 2 : servers.ownRows().size() == 2);
        QVERIFY(menu->isVisible());
        QTest::keyClick(menu, Qt::Key_Escape);
        QVERIFY(!menu->isVisible());
    }

    void keysActOnTheHighlightedRow_data()
    {
        QTest::addColumn<bool>("quickLaunch");
        QTest::addColumn<QString>("keys"); // pressed after the folders' common part was typed
        QTest::addColumn<int>("row");      // the row left highlighted, -1 for none
        QTest::addColumn<QString>("effect");
        QTest::newRow("Down, Enter") << false << u"Down, Return"_s << 1 << u"page"_s;
        QTest::newRow("Down, Up, copy") << false << u"Down, Down, Up, Ctrl+C"_s << 0 << u"copy"_s;
        QTest::newRow("Space shows the details") << false << u"Down, Space"_s << 1 << u"details"_s;
        QTest::newRow("Delete stops") << false << u"Down, Del"_s << 1 << u"stop"_s;
        QTest::newRow("Space in the field types") << false << u"Space"_s << 0 << u"typed"_s;
        QTest::newRow("Tab to the next tab") << false << u"Tab"_s << -1 << u"quickLaunch"_s;
        QTest::newRow("Shift+Tab to the previous") << false << u"Shift+Tab"_s << -1 << u"vercel"_s;
        // The saved servers run: Enter opens the page rather than starting another copy.
        QTest::newRow("quick launch: Enter opens the running one")
            << true << u"Down, Return"_s << 1 << u"relaunch"_s;
        QTest::newRow("quick launch: Delete deletes") << true << u"Down, Del"_s << -1 << u"delete"_s;
    }

    void keysActOnTheHighlightedRow()
    {
        QFETCH(bool, quickLaunch);
        QFETCH(QString, keys);
        QFETCH(int, row);
        QFETCH(QString, effect);
        Servers servers;
        servers.open(quickLaunch);
        if (QTest::currentTestFailed())
            return;
        for (const QChar key : servers.suffix)
            servers.press(QKeySequence(key));
        QTRY_VERIFY(servers.rows().size() == 2 && highlighted(servers.rows().first()));
        for (const QString& key : keys.split(u", "_s))
            servers.press(QKeySequence(key));
        const QList<QWidget*> rows = servers.rows();
        QCOMPARE(std::count_if(rows.cbegin(), rows.cend(), highlighted), row < 0 ? 0 : 1);
        for (QWidget* each : rows)
            QCOMPARE(QAccessible::queryAccessibleInterface(each)->state().selected, highlighted(each));
        auto* port = qobject_cast<ProcessItem*>(rows.value(row));
        auto* saved = qobject_cast<QuickLaunchItem*>(rows.value(row));
        const QString portText = port ? port->port().port() : QString();
        const QHash<QString, bool> results{
            {u"page"_s, servers.desktop->calls.value(0) == u"openUrl http://localhost:"_s + portText},
            {u"copy"_s, port && QGuiApplication::clipboard()->text() == port->port().processInfo()->cmd},
            {u"details"_s, port && port->popover()->showPopup()},
            {u"typed"_s, servers.menu->filterField()->text() == servers.suffix + u' '},
            {u"relaunch"_s, saved && saved->runningServer() &&
                                servers.desktop->calls.value(0) ==
                                    u"openUrl http://localhost:"_s + saved->runningServer()->port()},
            {u"quickLaunch"_s, servers.state.selectedTab() == SelectedTab::quickLaunch},
            {u"vercel"_s, servers.state.selectedTab() == SelectedTab::vercel}};
        if (effect == u"delete")
            QCOMPARE(QuickLaunchStore::loadQuickLaunchItems(servers.state).size(), 1);
        else if (effect != u"stop")
            QVERIFY2(results.value(effect), qPrintable(effect));
        // Only Delete stops, and only the highlighted server.
        for (const auto& server : servers.servers) {
            const bool stopped = effect == u"stop" && QString::number(server->port()) == portText;
            QCOMPARE(server->process().waitForFinished(stopped ? 10000 : 0), stopped);
        }
    }

    // The note naming a highlighted row's keys stays on screen, right under or over its row, wherever the
    // window sits: at the left or right end of a top panel, or the right end of a bottom one.
    void hintLiesBesideItsRow()
    {
        Servers servers;
        servers.open(false);
        if (QTest::currentTestFailed())
            return;
        AppMenu* menu = servers.menu.get();
        for (const QChar key : servers.suffix)
            servers.press(QKeySequence(key));
        QTRY_VERIFY(servers.rows().size() == 2 && highlighted(servers.rows().first()));
        const QRect available = menu->screen()->availableGeometry();
        const QSize room = available.size() - menu->size();
        // Where the window's top left corner sits, as a fraction of the screen's free room.
        for (const QPointF corner : {QPointF(0, 0), QPointF(1, 0), QPointF(1, 1)}) {
            const QPoint at =
                available.topLeft() + QPoint(room.width() * corner.x(), room.height() * corner.y());
            menu->move(at);
            QTRY_COMPARE(menu->pos(), at);
            QWidget* row = servers.rows().at(1);
            if (highlighted(row))
                servers.press(QKeySequence(u"Up"_s));
            servers.press(QKeySequence(u"Down"_s));
            QVERIFY(highlighted(row));
            QWidget* hint = menu->findChild<MenuKeyboardControl*>()->hint();
            QVERIFY(hint && hint->isVisible());
            const QRect rowRect(row->mapToGlobal(QPoint(0, 0)), row->size());
            const QRect hintRect = hint->frameGeometry();
            QCOMPARE(available.intersected(hintRect), hintRect);
            QCOMPARE_GE(hintRect.center().x(), rowRect.left());
            QCOMPARE_LE(hintRect.center().x(), rowRect.right());
            // The gap between hint and row, whichever side the hint is on.
            const int gap = hintRect.top() > rowRect.bottom() ? hintRect.top() - rowRect.bottom()
                                                              : rowRect.top() - hintRect.bottom();
            QCOMPARE_GT(gap, 0);
            QCOMPARE_LT(gap, rowRect.height() / 2);
        }
    }
};

QTEST_MAIN(AppMenuTest)
#include "tst_appmenu.moc"
