#include "gui/process/ProcessInfoAction.h"
#include "gui/process/ProcessItem.h"
#include "gui/quicklaunch/QuickLaunchItem.h"
#include "gui/quicklaunch/QuickLaunchList.h"
#include "gui/widgets/DelayPopover.h"
#include "gui/widgets/ElidedLabel.h"
#include "gui/widgets/PopoverWindow.h"
#include "platform/ProcessSystemTools.h"
#include "platform/linux/LinuxDesktop.h"
#include "probe/PageProbe.h"
#include "support/MenuFixture.h"
#include "support/SmallDisk.h"
#include "support/StubHttpServer.h"
#include "support/VirtualDisplay.h"
#include "support/WidgetHelpers.h"

#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalSpy>
#include <QTcpServer>
#include <QToolButton>
#include <csignal>

using namespace tidewell;
using namespace tidewell::test;
using namespace Qt::StringLiterals;

namespace {

PortData served(const QString& port, const QString& title, const QString& cwd, const QString& cmd)
{
    return PortData(u"node"_s, port, u"4000"_s,
                    HTMLData{title, AppType::nextjs, std::nullopt, HttpScheme::http}, ProcessInfo{cwd, cmd});
}

QuickLaunchItem* rowAt(QuickLaunchList& list, int index)
{
    return qobject_cast<QuickLaunchItem*>(list.rows().value(index));
}

// Rests the pointer on a row until its popover opens.
void openPopover(QWidget* row, DelayPopover* popover)
{
    popover->setPointerPosition([] { return QPoint(10, 10); });
    sendEvent(row, QEvent::Enter);
    QTRY_VERIFY_WITH_TIMEOUT(popover->showPopup(), 5000);
}

// The pid listening on `port`, as the host's listing reports it; empty when none.
QString listenerOn(int port)
{
    const Host host = Host::create();
    const ScanResult scan = PortScanner(host.sockets).scanListeningPorts();
    for (const PortData& entry : scan.candidates + scan.ignored) {
        if (entry.port() == QString::number(port))
            return entry.pid();
    }
    return {};
}

} // namespace

class QuickLaunchViewsTest : public QObject
{
    Q_OBJECT
private slots:
    void listShowsSavedItemsAndItsButtonsAct()
    {
        ServicesFixture fixture;
        QuickLaunchList list(fixture.services());
        QVERIFY(list.showsNoItemsText());
        QCOMPARE(child<QLabel>(&list, "noQuickLaunch")->text(), u"No quick launch"_s);
        QuickLaunchStore::addQuickLaunchItem(served(u"3000"_s, u"Shop"_s, u"/srv/my app"_s, u"npm run dev"_s),
                                             fixture.state);
        QCOMPARE(list.rows().size(), 1);
        QVERIFY(!list.showsNoItemsText());
        list.show();
        QuickLaunchItem* row = rowAt(list, 0);
        QCOMPARE(child<ElidedLabel>(row, "title")->fullText(), u"Shop"_s);
        QCOMPARE(child<QLabel>(row, "command")->toolTip(), u"npm run dev"_s);
        // A saved item's popover offers no bolt and shows no pid: both belong to a running server.
        openPopover(row, row->popover());
        PopoverWindow* popover = row->popover()->popover();
        QVERIFY(popover && !child(popover, "bolt") && !child(popover, "detailsPid"));
        child<QToolButton>(popover, "folder")->click();
        QCOMPARE(fixture.desktop->calls, QStringList{u"openFolder /srv/my app"_s});
        row->popover()->closePopup();
        QuickLaunchStore::addQuickLaunchItem(PortData(u"bun"_s, u"4000"_s, u"5"_s), fixture.state);
        fixture.desktop->calls.clear();
        for (QWidget* saved : list.rows())
            QTest::mouseClick(child<QToolButton>(saved, "play"), Qt::LeftButton);
        // An item saved without an origin still opens a terminal, with nothing to run.
        QStringList calls = fixture.desktop->calls;
        calls.sort();
        QCOMPARE(calls,
                 (QStringList{u"runInNewTerminal  && "_s, u"runInNewTerminal /srv/my app && npm run dev"_s}));
        for (int left : {1, 0}) {
            QTest::mouseClick(child<QToolButton>(rowAt(list, 0), "trash"), Qt::LeftButton);
            QCOMPARE(QuickLaunchStore::loadQuickLaunchItems(fixture.state).size(), left);
            QTRY_COMPARE(list.findChildren<QuickLaunchItem*>().size(), left);
        }
        QVERIFY(list.showsNoItemsText());
    }

    // A saved server that runs: its row says so and its play button opens the page; once it stops,
    // the port it ran on stays, dimmed, and play starts it again.
    void itemKnowsItsServerRuns()
    {
        StubHttpServer server;
        server.setReply("/",
                        StubHttpServer::Reply::with("<title>Vite</title>")
                            .changed(&StubHttpServer::Reply::headers, {{"Content-Type"_ba, "text/html"_ba}}));
        server.setServingPages(true);
        const QString port = QString::number(QUrl(server.origin()).port());
        std::atomic<bool> running = true;
        PageProbe probe;
        PortListRefresher refresher(
            [&running, port] {
                return running ? ScanResult{{PortData(u"node"_s, port, u"77"_s)}, {}} : ScanResult{};
            },
            &probe,
            [](const ProcessIdentity&) {
                return std::optional(ProcessInfo{u"/srv/web"_s, u"vite"_s});
            });
        ServicesFixture fixture;
        AppServices* services = fixture.services();
        services->refresher = &refresher;
        QuickLaunchStore::addQuickLaunchItem(served(u"5173"_s, u"Vite"_s, u"/srv/web"_s, u"vite"_s),
                                             fixture.state);
        QuickLaunchList list(services);
        list.show();
        QuickLaunchItem* row = rowAt(list, 0);
        auto* portLabel = child<QLabel>(row, "port");
        QVERIFY(!row->runningServer() && child<QLabel>(row, "running")->isHidden());
        QCOMPARE(portLabel->text(), u"5173"_s);
        QSignalSpy finished(&refresher, &PortListRefresher::checkFinished);
        refresher.checkPorts();
        QVERIFY(finished.wait(20'000));
        QTRY_VERIFY(row->runningServer());
        QVERIFY(!child<QLabel>(row, "running")->isHidden() && portLabel->isEnabled());
        QCOMPARE(portLabel->text(), port);
        QCOMPARE(QuickLaunchStore::loadQuickLaunchItems(fixture.state).first()->port(), port);
        QTest::mouseClick(child<QToolButton>(row, "play"), Qt::LeftButton);
        QCOMPARE(fixture.desktop->calls, QStringList{u"openUrl http://localhost:"_s + port});
        // Its details offer to stop the server that runs.
        QStringList stopped;
        services->stopProcess = [&stopped](const ProcessIdentity& listed, StopSignal) {
            stopped.append(listed.pid);
            return StopResult::stopped;
        };
        openPopover(row, row->popover());
        child<QPushButton>(row->popover()->popover(), "stopRunning")->click();
        QTRY_COMPARE(stopped, QStringList{u"77"_s});
        row->popover()->closePopup();
        running = false;
        refresher.checkPorts();
        QVERIFY(finished.wait(20'000));
        QTRY_VERIFY(!row->runningServer());
        QVERIFY(child<QLabel>(row, "running")->isHidden() && !portLabel->isEnabled());
        QCOMPARE(portLabel->text(), port);
        fixture.desktop->calls.clear();
        QTest::mouseClick(child<QToolButton>(row, "play"), Qt::LeftButton);
        QCOMPARE(fixture.desktop->calls, QStringList{u"runInNewTerminal /srv/web && vite"_s});
    }

    // The bolt says whether the server is saved already, and saves it once.
    void boltShowsTheServerIsSaved()
    {
        ServicesFixture fixture;
        const auto entry = std::make_shared<PortData>(served(u"3000"_s, u"Shop"_s, u"/srv"_s, u"x"_s));
        ProcessInfoAction action(entry, false, fixture.services());
        auto* bolt = child<QToolButton>(&action, "bolt");
        QCOMPARE(bolt->toolTip(), u"Add to quick launch"_s);
        bolt->click();
        bolt->click();
        QCOMPARE(QuickLaunchStore::loadQuickLaunchItems(fixture.state).size(), 1);
        QCOMPARE(bolt->toolTip(), u"Saved to Quick Launch"_s);
        ProcessInfoAction later(entry, false, fixture.services());
        QCOMPARE(child<QToolButton>(&later, "bolt")->toolTip(), u"Saved to Quick Launch"_s);
    }

    // A save on a full disk says so under the bolt; the stored list stays as it was, here and in the file.
    void saveOnAFullDiskSaysSo()
    {
        ServicesFixture fixture;
        const SmallDisk disk(fixture.dir.path(), 64);
        if (!disk.skipReason().isEmpty())
            QSKIP(qPrintable(disk.skipReason()));
        QVERIFY(QuickLaunchStore::addQuickLaunchItem(served(u"3000"_s, u"Shop"_s, u"/srv"_s, u"x"_s),
                                                     fixture.state));
        const QString before = fixture.state.quickLaunchData();
        QVERIFY(disk.fill());
        ProcessInfoAction action(
            std::make_shared<PortData>(served(u"4000"_s, u"Docs"_s, u"/docs"_s, u"vite"_s)), false,
            fixture.services());
        action.show();
        child<QToolButton>(&action, "bolt")->click();
        QVERIFY(child<QLabel>(&action, "failure")->isVisibleTo(&action));
        QCOMPARE(child<QLabel>(&action, "failure")->text(), QuickLaunchStore::kNotSavedText);
        QCOMPARE(child<QToolButton>(&action, "bolt")->toolTip(), u"Add to quick launch"_s);
        QCOMPARE(fixture.state.quickLaunchData(), before);
        QCOMPARE(QSettings(fixture.dir.filePath(u"settings.ini"_s), QSettings::IniFormat)
                     .value(AppState::kQuickLaunchKey)
                     .toString(),
                 before);
    }

    // An action whose program is missing says so where it was pressed, until the next action.
    void failedActionsSayWhy_data()
    {
        QTest::addColumn<QString>("where");
        QTest::newRow("a server's row opens its page") << u"row"_s;
        QTest::newRow("the popover opens the folder") << u"popover"_s;
        QTest::newRow("a saved server starts") << u"saved"_s;
    }

    void failedActionsSayWhy()
    {
        QFETCH(QString, where);
        ServicesFixture fixture;
        AppServices* services = fixture.services();
        const PortData entry = served(u"3000"_s, u"Shop"_s, u"/srv/shop"_s, u"npm run dev"_s);
        ProcessItem row(entry, false, services);
        ProcessInfoAction action(std::make_shared<PortData>(entry), false, services);
        QuickLaunchItem saved(QuickLaunchStore::addQuickLaunchItem(entry, fixture.state), services);
        const QHash<QString, QWidget*> places{
            {u"row"_s, &row}, {u"popover"_s, &action}, {u"saved"_s, &saved}};
        QWidget* place = places.value(where);
        const auto act = [&] {
            where == u"row"_s       ? row.openPage()
            : where == u"popover"_s ? child<QToolButton>(&action, "folder")->click()
                                    : saved.relaunch();
        };
        place->show();
        fixture.desktop->failure = u"xdg-open not found"_s;
        act();
        auto* line = child<QLabel>(place, "failure");
        QVERIFY(line->isVisible());
        QCOMPARE(line->text(), u"xdg-open not found"_s);
        fixture.desktop->failure.clear();
        act();
        QVERIFY(!line->isVisible());
        QCOMPARE(fixture.desktop->calls.size(), 2);
    }

    // Only the editors found on this machine are offered.
    void editorMenuOffersTheInstalledEditors_data()
    {
        QTest::addColumn<QStringList>("installed");
        QTest::addColumn<QStringList>("offered"); // "-" marks a disabled entry
        QTest::newRow("both") << QStringList{u"Visual Studio Code"_s, u"Cursor"_s}
                              << QStringList{u"Visual Studio Code"_s, u"Cursor"_s};
        QTest::newRow("one") << QStringList{u"Cursor"_s} << QStringList{u"Cursor"_s};
        QTest::newRow("none") << QStringList() << QStringList{u"-No editor found"_s};
    }

    void editorMenuOffersTheInstalledEditors()
    {
        QFETCH(QStringList, installed);
        ServicesFixture fixture;
        fixture.state.setInstalledEditors(installed);
        ProcessInfoAction action(std::make_shared<PortData>(served(u"3000"_s, u"Shop"_s, u"/srv"_s, u"x"_s)),
                                 false, fixture.services());
        QStringList offered;
        for (QToolButton* button : action.findChildren<QToolButton*>()) {
            for (QAction* entry : button->menu() ? button->menu()->actions() : QList<QAction*>())
                offered.append((entry->isEnabled() ? QString() : u"-"_s) + entry->text());
        }
        QTEST(offered, "offered");
    }

    void longTitleKeepsTheButtonsInView()
    {
        MenuFixture fixture;
        QuickLaunchStore::addQuickLaunchItem(served(u"3000"_s, u"A title far too long: "_s.repeated(5),
                                                    u"/srv/shop"_s,
                                                    u"npm run dev -- --port 3000 "_s.repeated(3)),
                                             fixture.state);
        fixture.state.setSelectedTab(SelectedTab::quickLaunch);
        AppMenu* menu = fixture.build();
        QuickLaunchItem* row = rowAt(*menu->quickLaunchTab(), 0);
        auto* scroll = child<QScrollArea>(menu, "listScroll");
        for (const char* name : {"trash", "play"}) {
            auto* button = child<QToolButton>(row, name);
            QTRY_VERIFY(button->isVisible());
            QTRY_VERIFY2(scroll->viewport()->rect().contains(inViewport(button, scroll)), name);
        }
    }

    // Save a real server whose arguments hold shell syntax and spaces, stop it, press play: it starts
    // again in its folder with the same arguments, in a real terminal where one can be shown.
    void savedServerStartsAgainAsItWas()
    {
        QTemporaryDir projects;
        const QString folder = projects.filePath(u"my shop"_s);
        QVERIFY(QDir().mkpath(folder));
        QTcpServer probe; // a port free for now
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const int port = probe.serverPort();
        probe.close();
        auto server =
            startListenerFromShell({u"--name"_s, u"node"_s, u"--bind"_s, u"127.0.0.1:%1"_s.arg(port),
                                    u"--title"_s, u"$(touch x)"_s, u"--body"_s, u"my docs"_s},
                                   folder);
        QVERIFY(server->waitUntilReady());
        const QString firstPid = listenerOn(port);
        QVERIFY(!firstPid.isEmpty());
        const QByteArray started = fileContent(u"/proc/"_s + firstPid + u"/cmdline"_s);
        ServicesFixture fixture;
        const ProcessOrigin origins(Host::create().processes);
        const auto origin = origins.getProcessInfo(firstPid);
        QuickLaunchStore::addQuickLaunchItem(
            PortData(u"node"_s, QString::number(port), firstPid, std::nullopt, origin), fixture.state);
        server->kill();
        QTRY_VERIFY(listenerOn(port).isEmpty());
        const QuickLaunchItemPtr saved = QuickLaunchStore::loadQuickLaunchItems(fixture.state).value(0);
        QCOMPARE(saved->processInfo()->cmd, QString::fromUtf8(started).replace(QChar(0), u' ').trimmed());
        AppServices* services = fixture.services();
        std::unique_ptr<VirtualDisplay> display;
        if (!findProgram(u"Xvfb"_s).isEmpty() && !findProgram(u"xterm"_s).isEmpty()) {
            display = std::make_unique<VirtualDisplay>();
            QVERIFY(!display->display().isEmpty());
            qputenv("DISPLAY", display->display().toLocal8Bit());
            qputenv("TERMINAL", "xterm");
            services->desktop = std::make_shared<LinuxDesktop>(std::make_shared<ProcessSystemTools>());
        }
        QuickLaunchList list(services);
        QTest::mouseClick(child<QToolButton>(rowAt(list, 0), "play"), Qt::LeftButton);
        // Without a display, the terminal's script runs alone.
        std::unique_ptr<ChildProcess> script;
        const QString prefix = u"runInNewTerminal "_s + folder + u" && "_s;
        if (!display) {
            QVERIFY(fixture.desktop->calls.value(0).startsWith(prefix));
            script = std::make_unique<ChildProcess>(
                u"/bin/bash"_s,
                QStringList{u"-c"_s, LinuxDesktop::terminalScript(), u"tidewell"_s, folder,
                            fixture.desktop->calls.value(0).mid(prefix.size())},
                folder);
        }
        QTRY_VERIFY_WITH_TIMEOUT(!listenerOn(port).isEmpty(), 15000);
        const QString secondPid = listenerOn(port);
        // Only the server this test started again is ended: the same command line, port included.
        QCOMPARE(fileContent(u"/proc/"_s + secondPid + u"/cmdline"_s), started);
        const auto cleanup = qScopeGuard([&] { ::kill(pid_t(secondPid.toLongLong()), SIGKILL); });
        QVERIFY(secondPid != firstPid);
        QCOMPARE(origins.getProcessInfo(secondPid).value_or(ProcessInfo{}).cwd, folder);
        QVERIFY(!QFile::exists(folder + u"/x"_s));
        if (display)
            qunsetenv("DISPLAY");
    }
};

QTEST_MAIN(QuickLaunchViewsTest)
#include "tst_quicklaunchviews.moc"
