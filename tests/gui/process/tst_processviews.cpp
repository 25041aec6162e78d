#include "deployments/DeploymentsFeed.h"
#include "deployments/VercelOrigins.h"
#include "gui/ports/PortsTab.h"
#include "gui/process/ProcessDetailsPanel.h"
#include "gui/process/ProcessInfoAction.h"
#include "gui/process/ProcessItem.h"
#include "gui/process/ReadyStateIcon.h"
#include "gui/process/XrayStatsPoller.h"
#include "gui/widgets/ColorSchemePalette.h"
#include "gui/widgets/DelayPopover.h"
#include "gui/widgets/ElidedLabel.h"
#include "gui/widgets/PopoverWindow.h"
#include "gui/widgets/RowHoverLook.h"
#include "platform/Host.h"
#include "platform/ProcessTable.h"
#include "process/ProcessOrigin.h"
#include "process/ProcessStatsReader.h"
#include "process/ProcessStopper.h"
#include "state/AsyncTask.h"
#include "support/LogCapture.h"
#include "support/ServicesFixture.h"
#include "support/StubHttpServer.h"
#include "support/TestProcesses.h"
#include "support/WidgetHelpers.h"

#include <QAccessible>
#include <QClipboard>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMutex>
#include <QScreen>
#include <QScrollArea>
#include <QSemaphore>
#include <QSignalSpy>
#include <QToolButton>
#include <QVBoxLayout>
#include <atomic>

using namespace tidewell;
using namespace tidewell::test;
using namespace Qt::StringLiterals;

namespace {

class SwitchedAppearance : public tidewell::DesktopAppearance
{
public:
    void choose(ColorScheme scheme) { setColorScheme(scheme); }
};

HTMLData page(const QString& title, AppType type = AppType::unknown, HttpScheme scheme = HttpScheme::http)
{
    return HTMLData{title, type, std::nullopt, scheme};
}

QByteArray project(const QByteArray& state)
{
    return R"({"id":"prj_web","name":"web","latestDeployments":[{"id":"d","readyState":")" + state +
           R"(","readyAt":1600000000000,"meta":{"githubCommitAuthorName":"ann","githubCommitMessage":"<b>Fix</b>"}}]})";
}

PortData devServer()
{
    return PortData(u"node"_s, u"3000"_s, u"9"_s, page(u"T"_s), ProcessInfo{u"/tmp"_s, u"npm run dev"_s});
}

int fetches(const StubHttpServer& server)
{
    return int(std::count_if(server.requests().cbegin(), server.requests().cend(), [](const auto& request) {
        return request.target.startsWith("/v9/projects/prj_web");
    }));
}

} // namespace

class ProcessViewsTest : public QObject
{
    Q_OBJECT
private slots:
    void rowShowsWhatItsProcessIs_data()
    {
        QTest::addColumn<QString>("processName");
        QTest::addColumn<QString>("scheme"); // of the page; empty for none
        QTest::addColumn<QString>("parts");  // the optional parts of the row that are shown
        QTest::addColumn<QString>("opens");  // the desktop call of a click, if any
        const QString http = u"openUrl http://localhost:3000"_s;
        QTest::newRow("node with a React page")
            << u"node"_s << u"http"_s << u"processIcon appTypeIcon statsLine stopButton"_s << http;
        QTest::newRow("editor helper has no stop")
            << u"Code\\x20H"_s << u"http"_s << u"processIcon statsLine"_s << http;
        QTest::newRow("cursor in any case is an editor")
            << u"cursor"_s << u"http"_s << u"statsLine"_s << http;
        QTest::newRow("ssh: badge, no statistics, https page")
            << u"ssh"_s << u"https"_s << u"sshBadge stopButton"_s << u"openUrl https://localhost:3000"_s;
        QTest::newRow("no page: no title, no badge, no click")
            << u"deno"_s << QString() << u"statsLine stopButton"_s << QString();
    }

    // X-ray is on and every reading succeeds, so only the ssh row hides its statistics.
    void rowShowsWhatItsProcessIs()
    {
        QFETCH(QString, processName);
        QFETCH(QString, scheme);
        QFETCH(QString, opens);
        ServicesFixture fixture;
        fixture.state.setXrayMode(true);
        AppServices* services = fixture.services();
        services->readStats = steadyReadings(ProcessStats{u"1.0"_s, u"0.1"_s, u"3.50MB"_s, u"main"_s});
        std::optional<HTMLData> html;
        if (!scheme.isEmpty())
            html = page(u"My App"_s, processName == "node"_L1 ? AppType::react : AppType::unknown,
                        scheme == "https"_L1 ? HttpScheme::https : HttpScheme::http);
        const PortData entry(processName, u"3000"_s, u"42"_s, html);
        ProcessItem row(entry, false, services);
        row.resize(360, row.height());
        row.show();
        XrayStatsPoller poller(services, [&row] { return QList<ProcessItem*>{&row}; });
        poller.readNow();
        QTRY_VERIFY(row.stats().has_value());
        QStringList shownParts;
        for (const char* name : {"processIcon", "appTypeIcon", "sshBadge", "statsLine", "stopButton"})
            shownParts.append(shown(child(&row, name)) ? QLatin1String(name) : QLatin1String());
        QTEST(shownParts.join(u' ').simplified(), "parts");
        QCOMPARE(child<QLabel>(&row, "title")->text(), html ? u"My App"_s : u"No answer"_s);
        QCOMPARE(child<QLabel>(&row, "statsCpu")->text() + child<QLabel>(&row, "statsMemory")->text(),
                 u"1.0%3.50MB"_s);
        // Also run on a 2x screen (tst_processviews_2x): every part within the row, the title whole.
        for (QWidget* part : row.findChildren<QWidget*>()) {
            if (part->isVisible() && part->parentWidget() == &row)
                QVERIFY2(row.rect().contains(part->geometry()), qPrintable(part->objectName()));
        }
        QCOMPARE(child<ElidedLabel>(&row, "title")->text(), child<ElidedLabel>(&row, "title")->fullText());
        click(&row, QPoint(180, row.height() / 2));
        // A row in the other listeners' list is smaller and opens nothing.
        ProcessItem small(entry, true, services);
        QVERIFY(small.height() < row.height());
        small.resize(360, small.height());
        small.show();
        click(&small, QPoint(180, small.height() / 2));
        QCOMPARE(fixture.desktop->calls, opens.isEmpty() ? QStringList() : QStringList{opens});
    }

    // Statistics of a real process in a real git work tree, read through the host's process table,
    // on the first of thirty rows in a short list: only the rows in view are read, one job a second.
    void xrayReadingsFollowModeVisibilityAndView()
    {
        QTemporaryDir folder;
        const QString git = findProgram(u"git"_s);
        if (git.isEmpty())
            QSKIP("git is not installed");
        QProcess::execute(git, {u"-C"_s, folder.path(), u"init"_s, u"-q"_s, u"-b"_s, u"feature/xray"_s});
        auto server = startListenerFromShell({u"--mode"_s, u"silent"_s}, folder.path());
        QVERIFY(server->waitUntilReady());
        ServicesFixture fixture;
        const Host host = Host::create();
        const ProcessStatsReader reader(host.processes);
        const QString pid = QString::number(childPids(server->pid()).value(0));
        const PortData entry(u"python3"_s, QString::number(server->port()), pid, page(u"t"_s),
                             ProcessOrigin(host.processes).getProcessInfo(pid));
        QMutex mutex;
        QList<QThread*> readers;
        std::atomic<int> reads{0}; // of the real process
        AppServices* services = fixture.services();
        services->readStats = [&](const PortData& port) {
            const QMutexLocker lock(&mutex);
            readers.append(QThread::currentThread());
            if (port.pid() != pid)
                return std::optional(ProcessStats{u"1.0"_s, u"0.1"_s, u"1.00MB"_s, QString()});
            ++reads;
            return reader.fetchProcessStats(port);
        };
        QScrollArea scroll;
        auto* layout = new QVBoxLayout(new QWidget);
        QList<ProcessItem*> rows{new ProcessItem(entry, false, services)};
        for (int port = 3001; port < 3030; ++port)
            rows.append(new ProcessItem(PortData(u"node"_s, QString::number(port), u"1"_s, page(u"t"_s)),
                                        false, services));
        for (ProcessItem* row : std::as_const(rows))
            layout->addWidget(row);
        scroll.setWidget(layout->parentWidget());
        scroll.resize(380, 200);
        scroll.show();
        QVERIFY(QTest::qWaitForWindowExposed(&scroll));
        XrayStatsPoller poller(services, [&rows] { return rows; });
        const auto inView = poller.rowsInView();
        QVERIFY(!inView.isEmpty() && inView.size() < 10 && inView.first() == rows.first());
        ProcessItem& row = *rows.first();
        QWidget* statsLine = child(&row, "statsLine");
        QVERIFY(reads.load() == 0 && !shown(statsLine));
        const int iconSide = child(&row, "processIcon")->width();
        // Turning x-ray on reads the rows in view at once, even with the window closed.
        fixture.state.setXrayMode(true);
        QTRY_VERIFY(row.stats().has_value());
        QCOMPARE(row.stats()->gitBranch, u"feature/xray"_s);
        QVERIFY(shown(statsLine));
        // A screen reader reads the row as one list item, figures included.
        const QAccessibleInterface* readRow = QAccessible::queryAccessibleInterface(&row);
        QCOMPARE(readRow->role(), QAccessible::ListItem);
        QVERIFY2(readRow->text(QAccessible::Name).endsWith(u", branch feature/xray"_s),
                 qPrintable(readRow->text(QAccessible::Name)));
        QVERIFY(child(&row, "processIcon")->width() < iconSide);
        // Closed window: the one-second timer does not even run. Open: a reading every second.
        QVERIFY(!poller.isTimerRunning());
        QCOMPARE(reads.load(), 1);
        fixture.state.setIsVisible(true);
        QTRY_VERIFY_WITH_TIMEOUT(reads.load() >= 3, 5000);
        QMutexLocker lock(&mutex);
        for (ProcessItem* each : std::as_const(rows))
            QCOMPARE(each->stats().has_value(), inView.contains(each));
        // The readings of one second are one job: they follow each other on one thread.
        QCOMPARE(readers.mid(0, inView.size()).count(readers[0]), inView.size());
        lock.unlock();
        // Off: nothing more is read, the line goes, the last figures are kept.
        fixture.state.setXrayMode(false);
        QTRY_VERIFY(!poller.isReading());
        const int readsBefore = reads.load();
        QVERIFY(!shown(statsLine) && row.stats().has_value());
        QVERIFY(!readRow->text(QAccessible::Name).contains(u"CPU"_s));
        QCOMPARE(child(&row, "processIcon")->width(), iconSide);
        QVERIFY(!poller.isTimerRunning());
        QCOMPARE(reads.load(), readsBefore);
        // A process that has gone clears the figures at the next reading.
        server->kill();
        fixture.state.setXrayMode(true);
        QTRY_VERIFY(!row.stats().has_value());
        QVERIFY(!shown(statsLine));
    }

    void stopSignalsOnlyTheListedProcess_data()
    {
        // A pid given away shows as a start time changed since the listing or between the signals.
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("shownAtEnd");
        QTest::addColumn<bool>("stopped");
        QTest::newRow("signals the real process and spins") << QString() << u"stopSpinner"_s << true;
        QTest::newRow("through a stuck pool") << u"stuckPool"_s << u"stopSpinner"_s << true;
        QTest::newRow("pid given away: sends nothing") << u"swapListing"_s << u"stopButton"_s << false;
        QTest::newRow("ignores SIGTERM: Force stop") << u"holdTerm"_s << u"stopSpinner"_s << true;
        QTest::newRow("pid given away before the kill") << u"holdTerm swapKill"_s << u"stopButton"_s << false;
        QTest::newRow("another user's process") << u"refused"_s << u"notPermitted"_s << false;
    }

    void stopSignalsOnlyTheListedProcess()
    {
        QFETCH(QString, setup);
        QFETCH(QString, shownAtEnd);
        QFETCH(bool, stopped);
        const bool holdTerm = setup.contains(u"holdTerm"_s);
        auto server = startListener(QStringList{u"--mode"_s, u"silent"_s} +
                                    (holdTerm ? QStringList{u"--hold-term"_s} : QStringList()));
        QVERIFY(server->waitUntilReady());
        const QString pid = QString::number(server->pid());
        ServicesFixture fixture;
        QSemaphore release;
        const int threads = setup == u"stuckPool"_s ? fixture.pool.maxThreadCount() : 0;
        const auto unstick = qScopeGuard([&] { release.release(threads); });
        for (int i = 0; i < threads; ++i)
            AsyncTask::run(&fixture.pool, [&release] { release.acquire(); });
        const Host host = Host::create();
        const ProcessStopper stopper(host.tools, host.processes);
        AppServices* services = fixture.services();
        services->stopProcess = [=](ProcessIdentity identity, StopSignal signal) {
            if (setup == u"refused"_s)
                return StopResult::notPermitted;
            if (setup.contains(u"swapKill"_s) && signal == StopSignal::kill)
                identity.startTime += u'0';
            return stopper.stopProcess(identity, signal, holdTerm ? 300 : ProcessStopper::kWatchMs);
        };
        PortData entry(u"python3"_s, QString::number(server->port()), pid, page(u"t"_s));
        entry.setListedIdentity(
            host.processes->startTimes({pid}).value(pid) + (setup == u"swapListing"_s ? u"0"_s : u""_s), 0);
        ProcessItem row(entry, false, services);
        row.show();
        click(child(&row, "stopButton"));
        if (holdTerm) {
            QTRY_VERIFY(child(&row, "forceStopButton")->isVisible());
            QCOMPARE(server->process().state(), QProcess::Running);
            click(child(&row, "forceStopButton"));
        }
        QTRY_VERIFY(child(&row, qPrintable(shownAtEnd))->isVisible());
        QCOMPARE(server->process().waitForFinished(stopped ? 10000 : 0), stopped);
        // The spinner stays until a scan no longer lists the port; a second press does nothing.
        if (shownAtEnd == "stopSpinner"_L1) {
            row.stopProcess();
            QVERIFY(child(&row, "stopSpinner")->isVisible());
        }
        // A screen reader hears the stop in progress as the row's busy state.
        QCOMPARE(QAccessible::queryAccessibleInterface(&row)->state().busy, shownAtEnd == "stopSpinner"_L1);
    }

    void popoverNeedsTheResting_data()
    {
        QTest::addColumn<int>("leaveAfterMs");
        QTest::addColumn<int>("travel");
        QTest::addColumn<int>("rowShift");
        QTest::addColumn<bool>("opens");
        QTest::newRow("resting a full second") << -1 << 0 << 0 << true;
        QTest::newRow("small drift still counts") << -1 << 9 << 0 << true;
        QTest::newRow("moved 12 points in the second half") << -1 << 12 << 0 << false;
        QTest::newRow("left after 0.7 seconds") << 700 << 0 << 0 << false;
        // The list scrolls under a pointer that does not move: the row passes, it is not rested on.
        QTest::newRow("row scrolled under a still pointer") << -1 << 0 << 30 << false;
    }

    void popoverNeedsTheResting()
    {
        QFETCH(int, leaveAfterMs);
        QFETCH(int, travel);
        QFETCH(int, rowShift);
        QFETCH(bool, opens);
        ServicesFixture fixture;
        ProcessItem row(devServer(), false, fixture.services());
        row.show();
        DelayPopover* popover = row.popover();
        // The first look at the pointer is where it rests; then the row moves by `rowShift` (as the list
        // scrolls); the second look is where the pointer has gone.
        int looks = 0;
        popover->setPointerPosition([&looks, &row, travel, rowShift] {
            if (++looks > 1)
                return QPoint(100 + travel, 100);
            QMetaObject::invokeMethod(
                &row, [&row, rowShift] { row.move(row.pos() + QPoint(0, rowShift)); }, Qt::QueuedConnection);
            return QPoint(100, 100);
        });
        auto* pending = popover->findChild<QTimer*>(u"popoverDelay"_s);
        QSignalSpy shownSpy(popover, &DelayPopover::popupShown);
        QElapsedTimer clock;
        clock.start();
        sendEvent(&row, QEvent::Enter);
        if (leaveAfterMs > 0) {
            QTRY_VERIFY(clock.elapsed() >= leaveAfterMs);
            sendEvent(&row, QEvent::Leave);
        }
        // Decided once no look is pending: after the second look, or at once when the pointer left.
        QTRY_VERIFY(!pending->isActive() && (leaveAfterMs > 0 || looks == 2));
        QCOMPARE(shownSpy.size(), opens ? 1 : 0);
        QCOMPARE(popover->showPopup(), opens);
        if (!opens)
            return;
        QVERIFY(clock.elapsed() >= 2 * ProcessItem::kPopoverDelayMs - 20);
        QCOMPARE(child<QLabel>(popover->popover(), "popoverTitle")->text(), u"T"_s);
        QVERIFY(child(popover->popover(), "detailsPid") && child(popover->popover(), "bolt"));
        // Once open it stays when the pointer leaves, until closed.
        sendEvent(&row, QEvent::Leave);
        QVERIFY(popover->popover()->isVisible());
        click(child(popover->popover(), "popoverClose"));
        QTRY_VERIFY(!popover->showPopup());
    }

    void actionBarActsOnTheFolder_data()
    {
        QTest::addColumn<bool>("hideAdd");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("menuItem");
        QTest::addColumn<QString>("expected");
        const QString folder = u" /home/me/my app"_s;
        QTest::newRow("terminal") << false << u"terminal"_s << QString() << u"open -a Terminal"_s + folder;
        QTest::newRow("code") << false << u"square.and.pencil"_s << u"Visual Studio Code"_s
                              << u"open -a Visual Studio Code"_s + folder;
        QTest::newRow("cursor, saved item")
            << true << u"square.and.pencil"_s << u"Cursor"_s << u"open -a Cursor"_s + folder;
    }

    void actionBarActsOnTheFolder()
    {
        QFETCH(bool, hideAdd);
        QFETCH(QString, button);
        QFETCH(QString, menuItem);
        ServicesFixture fixture;
        const auto entry = std::make_shared<PortData>(u"node"_s, u"3000"_s, u"9"_s, std::nullopt,
                                                      ProcessInfo{u"/home/me/my app"_s, u"npm start"_s});
        ProcessInfoAction bar(entry, hideAdd, fixture.services());
        bar.show();
        QCOMPARE(shown(child(&bar, "bolt")), !hideAdd);
        auto* target = child<QToolButton>(&bar, button.toLatin1().constData());
        if (menuItem.isEmpty()) {
            click(target);
        } else {
            const auto actions = target->menu()->actions();
            QCOMPARE(actions.size(), 2);
            actions.at(menuItem == actions.at(0)->text() ? 0 : 1)->trigger();
        }
        QTEST(fixture.desktop->calls.join(u'|'), "expected");
    }

    void detailsPanelShowsOriginAndCopiesTheCommand()
    {
        const PortData withOrigin(u"node"_s, u"3000"_s, u"4242"_s, std::nullopt,
                                  ProcessInfo{u"/srv/app"_s, u"node server.js --port 3000"_s});
        ProcessDetailsPanel panel(withOrigin, true);
        QCOMPARE(child<QLabel>(&panel, "detailsPort")->text(), u"Port: 3000"_s);
        QCOMPARE(child<QLabel>(&panel, "detailsPid")->text(), u"PID: 4242"_s);
        QVERIFY(child(&panel, "detailsPath"));
        click(child(&panel, "copyCommand"));
        const QMimeData* copied = QGuiApplication::clipboard()->mimeData();
        QCOMPARE(copied->formats(), QStringList{u"text/plain"_s});
        QCOMPARE(copied->text(), u"node server.js --port 3000"_s);
        // Without an origin: no path, no command, no action.
        const auto bare = std::make_shared<PortData>(u"deno"_s, u"8000"_s, u"1"_s);
        ProcessDetailsPanel barePanel(*bare, true);
        QVERIFY(!child(&barePanel, "detailsPath") && !child(&barePanel, "copyCommand"));
        ServicesFixture fixture;
        ProcessInfoAction bar(bare, false, fixture.services());
        QVERIFY(bar.isHidden() && bar.findChildren<QToolButton*>().isEmpty());
    }

    // A server in a real folder below a repository's link file, with the Vercel service stood in.
    void rowShowsTheLinkedDeployment_data()
    {
        QTest::addColumn<bool>("token");
        QTest::addColumn<StubHttpServer::Reply>("reply");
        QTest::addColumn<QByteArray>("tabHolds"); // the state of the project among the tab's, or empty
        QTest::addColumn<QString>("symbol");      // beside the port; empty for none
        QTest::addColumn<QString>("logged");
        const auto ready = StubHttpServer::Reply::with(project("READY"));
        QTest::newRow("fetched by its id")
            << true << ready << QByteArray() << u"checkmark.circle.fill"_s << QString();
        QTest::newRow("among the tab's projects")
            << true << ready << QByteArray("ERROR") << u"xmark.circle.fill"_s << QString();
        QTest::newRow("no token") << false << ready << QByteArray() << QString()
                                  << u"No Vercel token: the deployments of linked projects are not shown"_s;
        QTest::newRow("a project the account cannot see")
            << true << StubHttpServer::Reply::with(R"({"error":{"code":"not_found"}})", 404) << QByteArray()
            << QString() << uR"(Linked Vercel project prj_web not shown: Missing member "id")"_s;
    }

    void rowShowsTheLinkedDeployment()
    {
        QFETCH(bool, token);
        QFETCH(StubHttpServer::Reply, reply);
        QFETCH(QByteArray, tabHolds);
        QFETCH(QString, symbol);
        QFETCH(QString, logged);
        StubHttpServer server;
        server.setReply("/v9/projects/prj_web", reply);
        server.setReply("/v2/user", StubHttpServer::Reply::with(R"({"user":{"username":"ann"}})"));
        qputenv(VercelOrigins::kDashboardVariable, "https://dash.example");
        QTemporaryDir dir;
        const QDir root(dir.path());
        QVERIFY(root.mkpath(u"repo/.git"_s) && root.mkpath(u"repo/apps/web"_s));
        QVERIFY(writeFile(root.filePath(u"repo/.vercel/project.json"_s),
                          R"({"projectId":"prj_web","orgId":"team_1"})"));
        LogCapture log;
        AppState state(std::make_unique<QSettings>(root.filePath(u"s.ini"_s), QSettings::IniFormat),
                       token ? std::optional(u"tok"_s) : std::nullopt);
        if (!tabHolds.isEmpty())
            state.setProjectData(
                ProjectResponse::fromJson("{\"projects\":[" + project(tabHolds) + "]}").value());
        ServicesFixture fixture;
        DeploymentsFeed linked(&state, &fixture.pool, server.origin(), root.filePath(u"home"_s));
        AppServices* services = fixture.services();
        services->state = &state;
        services->deploymentsFeed = &linked;
        PortsTab tab(services);
        tab.show();
        tab.setPorts(
            {PortData(u"node"_s, u"3000"_s, u"7"_s, HTMLData{u"Web"_s, AppType::nextjs, {}, HttpScheme::http},
                      ProcessInfo{root.filePath(u"repo/apps/web"_s), u"npm run dev"_s})});
        ProcessItem* row = tab.portRows().value(0);
        if (symbol.isEmpty()) {
            QTRY_VERIFY(log.lines().contains(logged));
            // Asked again, and fetched again with no minute to wait, it is still said only once.
            linked.setIntervals(DeploymentsFeed::kIdlePollMs, 0);
            QTRY_VERIFY((state.setProjectData(ProjectResponse{}), fetches(server) >= (token ? 3 : 0)));
            QVERIFY(!row->deploymentIcon() && !row->linkedProject());
            QCOMPARE(log.lines().count(logged), 1);
            return;
        }
        QTRY_VERIFY(row->deploymentIcon());
        QCOMPARE(row->deploymentIcon()->symbolName(), symbol);
        QCOMPARE(fetches(server), tabHolds.isEmpty() ? 1 : 0);
        if (!tabHolds.isEmpty())
            return;
        // Details: the deployment, and a button to the project's page once the account is known.
        QTRY_VERIFY(state.userData());
        row->popover()->setPointerPosition([] { return QPoint(100, 100); });
        sendEvent(row, QEvent::Enter);
        QTRY_VERIFY_WITH_TIMEOUT(row->popover()->showPopup(), 5000);
        PopoverWindow* popover = row->popover()->popover();
        QCOMPARE(child<QLabel>(popover, "deploymentState")->text(), u"READY"_s);
        QVERIFY(child<QLabel>(popover, "deploymentTime")->text().endsWith(u" ago"_s));
        QCOMPARE(child<QLabel>(popover, "deploymentCommit")->textFormat(), Qt::PlainText);
        click(child(popover, "openDeployments"));
        QCOMPARE(fixture.desktop->calls, QStringList{u"openUrl https://dash.example/ann/web/deployments"_s});
        // Asked again within the minute, the project is not fetched again; once the minute is over
        // (made half a second, which the popover's opening outlasted), it is, and the row follows.
        server.setReply("/v9/projects/prj_web", StubHttpServer::Reply::with(project("ERROR")));
        state.setProjectData(ProjectResponse{});
        linked.setIntervals(DeploymentsFeed::kIdlePollMs, 500);
        state.setProjectData(ProjectResponse{});
        QTRY_VERIFY(row->deploymentIcon() && row->deploymentIcon()->state() == ReadyState::error);
        QCOMPARE(fetches(server), 2);
    }

    // New x-ray figures (each of CPU, memory and branch) on a hovered, enlarged row: what the window shows
    // is what a fresh drawing of it shows, with nothing of the old figures left round the new ones.
    void hoveredRowLeavesNoStalePixels()
    {
        const ProcessStats before{u"0.0"_s, u"0.1"_s, u"12.0MB"_s, u"main"_s};
        const ProcessStats after{u"1.0"_s, u"0.1"_s, u"845.3MB"_s, u"fix/x"_s};
        ServicesFixture fixture;
        fixture.state.setXrayMode(true);
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(20, 20, 20, 20);
        auto* row = new ProcessItem(devServer(), false, fixture.services());
        layout->addWidget(row);
        window.resize(380, 100);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        row->setStats(before);
        sendEvent(row, QEvent::Enter);
        QTRY_COMPARE(row->rowHoverLook()->hoverProgress(), 1.0);
        // What the window holds on screen, against the same window drawn afresh.
        const auto onScreen = [&] { return window.screen()->grabWindow(window.winId()).toImage(); };
        const auto fresh = [&] { return window.grab().toImage(); };
        QTRY_COMPARE(onScreen(), fresh());
        row->setStats(after);
        QTRY_COMPARE(row->findChild<QLabel*>(u"statsMemory"_s)->text(), after.memMB);
        QTRY_COMPARE(onScreen(), fresh());
    }

    // The desktop switches between dark and light while a row is shown: its dimmed texts (the port)
    // are drawn in the new scheme's grey, never in the old one's, which would vanish on the new
    // background.
    void dimmedTextFollowsTheColourScheme()
    {
        ServicesFixture fixture;
        ProcessItem row(devServer(), false, fixture.services());
        row.show();
        SwitchedAppearance desktop;
        ColorSchemePalette follower(&desktop);
        auto* port = child<QLabel>(&row, "port");
        const auto contrast = [&] {
            return qAbs(port->palette().color(QPalette::WindowText).lightness() -
                        port->palette().color(QPalette::Window).lightness());
        };
        for (const auto scheme : {DesktopAppearance::ColorScheme::dark, DesktopAppearance::ColorScheme::light,
                                  DesktopAppearance::ColorScheme::dark}) {
            desktop.choose(scheme);
            QTRY_COMPARE(row.palette().color(QPalette::Window),
                         ColorSchemePalette::paletteFor(scheme).color(QPalette::Window));
            QVERIFY2(contrast() > 100, qPrintable(QString::number(contrast())));
            QVERIFY(port->palette().color(QPalette::WindowText).alphaF() < 1);
        }
        desktop.choose(DesktopAppearance::ColorScheme::noPreference);
    }
};

QTEST_MAIN(ProcessViewsTest)
#include "tst_processviews.moc"
