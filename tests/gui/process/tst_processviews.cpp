#include "gui/process/ProcessDetailsPanel.h"
#include "gui/process/ProcessInfoAction.h"
#include "gui/process/ProcessItem.h"
#include "gui/process/XrayStatsPoller.h"
#include "gui/widgets/DelayPopover.h"
#include "gui/widgets/PopoverWindow.h"
#include "platform/Host.h"
#include "platform/ProcessSystemTools.h"
#include "platform/ProcessTable.h"
#include "process/ProcessOrigin.h"
#include "process/ProcessStatsReader.h"
#include "process/ProcessStopper.h"
#include "quicklaunch/QuickLaunchStore.h"
#include "state/AsyncTask.h"
#include "support/ServicesFixture.h"
#include "support/TestProcesses.h"
#include "support/WidgetHelpers.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMutex>
#include <QScrollArea>
#include <QSemaphore>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <atomic>

using namespace tidewell;
using namespace tidewell::test;
using namespace Qt::StringLiterals;

namespace {

HTMLData page(const QString& title, AppType type = AppType::unknown, HttpScheme scheme = HttpScheme::http)
{
    return HTMLData{title, type, std::nullopt, scheme};
}

// Gone, or a zombie that only waits to be reaped.
bool processGone(const QString& pid)
{
    const QByteArray stat = fileContent(u"/proc/"_s + pid + u"/stat"_s);
    const qsizetype close = stat.lastIndexOf(')');
    return stat.isEmpty() || (close > 0 && stat.mid(close + 2, 1) == "Z");
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
        QTest::addColumn<QString>("opens");
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
        QFETCH(QString, parts);
        QFETCH(QString, opens);
        ServicesFixture fixture;
        fixture.state.setXrayMode(true);
        AppServices* services = fixture.services();
        services->readStats = [](const PortData&) {
            return std::optional(ProcessStats{u"1.0"_s, u"0.1"_s, u"3.50MB"_s, u"main"_s});
        };
        const AppType type = processName == "node"_L1 ? AppType::react : AppType::unknown;
        const std::optional<HTMLData> html =
            scheme.isEmpty()
                ? std::nullopt
                : std::optional(
                      page(u"My App"_s, type, scheme == "https"_L1 ? HttpScheme::https : HttpScheme::http));
        const PortData entry(processName, u"3000"_s, u"42"_s, html);
        ProcessItem row(entry, false, services);
        row.resize(360, row.height());
        row.show();
        XrayStatsPoller poller(services, [&row] { return QList<ProcessItem*>{&row}; });
        poller.readNow();

        QTRY_VERIFY(row.stats().has_value());
        QStringList shownParts;
        for (const char* name : {"processIcon", "appTypeIcon", "sshBadge", "statsLine", "stopButton"}) {
            if (shown(child(&row, name)))
                shownParts.append(QLatin1String(name));
        }
        QCOMPARE(shownParts.join(u' '), parts);
        QCOMPARE(child<QLabel>(&row, "title")->text(), html ? u"My App"_s : QString());
        QCOMPARE(child<QLabel>(&row, "statsCpu")->text() + child<QLabel>(&row, "statsMemory")->text(),
                 u"1.0%3.50MB"_s);

        click(&row, QPoint(180, row.height() / 2));
        QCOMPARE(fixture.desktop->calls, opens.isEmpty() ? QStringList() : QStringList{opens});

        // A row in the other listeners' list is smaller and opens nothing.
        ProcessItem small(entry, true, services);
        QCOMPARE(small.height(), 40);
        small.resize(360, small.height());
        small.show();
        click(&small, QPoint(180, small.height() / 2));
        QCOMPARE(fixture.desktop->calls.size(), opens.isEmpty() ? 0 : 1);
    }

    // Statistics of a real process in a real git work tree, read through the host's process table.
    void xrayReadingsFollowModeAndVisibility()
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
        // The shell's child is the server.
        const QString pid = QString::number(childPids(server->pid()).value(0));
        const PortData entry(u"python3"_s, QString::number(server->port()), pid, page(u"t"_s),
                             ProcessOrigin(host.processes, [](const QString&) {}).getProcessInfo(pid));
        QVERIFY(entry.processInfo().has_value());

        std::atomic<int> reads{0};
        AppServices* services = fixture.services();
        services->readStats = [&reader, &reads](const PortData& p) {
            ++reads;
            return reader.fetchProcessStats(p);
        };
        ProcessItem row(entry, false, services);
        row.show();
        XrayStatsPoller poller(services, [&row] { return QList<ProcessItem*>{&row}; });
        QWidget* statsLine = child(&row, "statsLine");
        QVERIFY(reads.load() == 0 && !shown(statsLine));

        // Turning x-ray on reads the rows in view at once, even with the window closed.
        fixture.state.setXrayMode(true);
        QTRY_VERIFY(row.stats().has_value());
        QCOMPARE(row.stats()->gitBranch, u"feature/xray"_s);
        QVERIFY(shown(statsLine));
        QCOMPARE(child(&row, "processIcon")->width(), 20);
        // Closed window: the one-second timer does not even run. Open: a reading every second.
        QSignalSpy spy(&row, &ProcessItem::statsChanged);
        QVERIFY(!poller.isTimerRunning());
        QVERIFY(!spy.wait(1500));
        QCOMPARE(reads.load(), 1);
        fixture.state.setIsVisible(true);
        QTRY_VERIFY_WITH_TIMEOUT(reads.load() >= 3, 5000);

        // Off: nothing more is read, the line goes, the last figures are kept.
        fixture.state.setXrayMode(false);
        QTRY_VERIFY(!poller.isReading());
        const int readsBefore = reads.load();
        QVERIFY(!shown(statsLine) && row.stats().has_value());
        QCOMPARE(child(&row, "processIcon")->width(), 28);
        QVERIFY(!spy.wait(1500));
        QCOMPARE(reads.load(), readsBefore);

        // A process that has gone clears the figures at the next reading.
        server->kill();
        fixture.state.setXrayMode(true);
        QTRY_VERIFY(!row.stats().has_value());
        QVERIFY(!shown(statsLine));
    }

    // Readings come in one job per second for the rows in view; rows scrolled out of view are not read.
    void xrayReadsOnlyTheRowsInView()
    {
        ServicesFixture fixture;
        QMutex mutex;
        QList<QThread*> readers; // the thread of each reading
        QSet<QString> readPorts;
        AppServices* services = fixture.services();
        services->readStats = [&](const PortData& port) {
            const QMutexLocker lock(&mutex);
            readers.append(QThread::currentThread());
            readPorts.insert(port.port());
            return std::optional(ProcessStats{u"1.0"_s, u"0.1"_s, u"1.00MB"_s, QString()});
        };
        QScrollArea scroll;
        auto* list = new QWidget;
        auto* layout = new QVBoxLayout(list);
        QList<ProcessItem*> rows;
        for (int port = 3000; port < 3030; ++port) {
            rows.append(new ProcessItem(PortData(u"node"_s, QString::number(port), u"1"_s, page(u"t"_s)),
                                        false, services));
            layout->addWidget(rows.last());
        }
        scroll.setWidget(list);
        scroll.resize(380, 200);
        scroll.show();
        QVERIFY(QTest::qWaitForWindowExposed(&scroll));
        XrayStatsPoller poller(services, [&rows] { return rows; });
        const auto inView = poller.rowsInView();
        QVERIFY(!inView.isEmpty() && inView.size() < 10);

        fixture.state.setXrayMode(true);
        fixture.state.setIsVisible(true);
        QTRY_VERIFY(inView.last()->stats().has_value());
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                const QMutexLocker lock(&mutex);
                return readers.size() >= 2 * inView.size();
            }(),
            5000);
        const QMutexLocker lock(&mutex);
        QCOMPARE(readPorts.size(), inView.size());
        for (ProcessItem* row : std::as_const(rows))
            QCOMPARE(row->stats().has_value(), inView.contains(row));
        // The readings of one second are one job: they follow each other on one thread.
        for (qsizetype i = 0; i < inView.size(); ++i)
            QCOMPARE(readers[i], readers[0]);
    }

    void stopSignalsOnlyTheListedProcess_data()
    {
        QTest::addColumn<bool>("stuckPool");
        QTest::addColumn<bool>("samePid");
        QTest::newRow("signals the real process and spins") << false << true;
        // Every thread of the shared pool is held, as by readings stuck on a FIFO.
        QTest::newRow("through a stuck pool") << true << true;
        // The listed start time swapped stands for a pid given to another process since the listing.
        QTest::newRow("pid given to another process sends nothing") << false << false;
    }

    void stopSignalsOnlyTheListedProcess()
    {
        QFETCH(bool, stuckPool);
        QFETCH(bool, samePid);
        auto server = startListener({u"--mode"_s, u"silent"_s});
        QVERIFY(server->waitUntilReady());
        const QString pid = QString::number(server->pid());
        ServicesFixture fixture;
        QSemaphore release;
        const int threads = stuckPool ? fixture.pool.maxThreadCount() : 0;
        const auto unstick = qScopeGuard([&] { release.release(threads); });
        for (int i = 0; i < threads; ++i)
            AsyncTask::run(&fixture.pool, [&release] { release.acquire(); });
        const Host host = Host::create();
        const ProcessStopper stopper(host.tools, host.processes);
        AppServices* services = fixture.services();
        services->stopProcess = [stopper](const ProcessIdentity& p, StopSignal s) {
            return stopper.stopProcess(p, s, ProcessStopper::kWatchMs);
        };
        PortData entry(u"python3"_s, QString::number(server->port()), pid, page(u"t"_s));
        entry.setListedIdentity(host.processes->startTimes({pid}).value(pid) + (samePid ? u""_s : u"0"_s), 0);
        ProcessItem row(entry, false, services);
        row.show();
        click(child(&row, "stopButton"));
        auto* stack = child<QStackedWidget>(&row, "stopStack");
        if (!samePid) {
            QTRY_COMPARE(stack->currentIndex(), 0);
            QVERIFY(!row.isKilling() && !processGone(pid));
            return;
        }
        QVERIFY(stack->currentIndex() == 1 && shown(child(&row, "stopSpinner")));
        QTRY_VERIFY(processGone(pid));
        // The spinner stays until a scan no longer lists the port; a second press does nothing.
        row.stopProcess();
        QCOMPARE(stack->currentIndex(), 1);
    }

    void popoverNeedsTheResting_data()
    {
        QTest::addColumn<int>("leaveAfterMs");
        QTest::addColumn<int>("travel");
        QTest::addColumn<bool>("opens");
        QTest::newRow("resting a full second") << -1 << 0 << true;
        QTest::newRow("small drift still counts") << -1 << 9 << true;
        QTest::newRow("moved 12 points in the second half") << -1 << 12 << false;
        QTest::newRow("left after 0.7 seconds") << 700 << 0 << false;
    }

    void popoverNeedsTheResting()
    {
        QFETCH(int, leaveAfterMs);
        QFETCH(int, travel);
        QFETCH(bool, opens);
        ServicesFixture fixture;
        ProcessItem row(
            PortData(u"node"_s, u"3000"_s, u"9"_s, page(u"T"_s), ProcessInfo{u"/tmp"_s, u"npm run dev"_s}),
            false, fixture.services());
        row.show();
        DelayPopover* popover = row.popover();
        // The first look at the pointer is where it rests; the second is where it has gone.
        int looks = 0;
        popover->setPointerPosition(
            [&looks, travel] { return ++looks == 1 ? QPoint(100, 100) : QPoint(100 + travel, 100); });
        QSignalSpy shownSpy(popover, &DelayPopover::popupShown);
        QElapsedTimer clock;
        clock.start();
        sendEvent(&row, QEvent::Enter);
        if (leaveAfterMs > 0) {
            QTRY_VERIFY(clock.elapsed() >= leaveAfterMs);
            sendEvent(&row, QEvent::Leave);
        }
        QCOMPARE(shownSpy.wait(1600), opens);
        QCOMPARE(popover->showPopup(), opens);
        if (!opens)
            return;
        QVERIFY(clock.elapsed() >= 2 * ProcessItem::kPopoverDelayMs - 20);
        QCOMPARE(child<QLabel>(popover->popover(), "popoverTitle")->text(), u"T"_s);
        QVERIFY(child(popover->popover(), "detailsPid") && child(popover->popover(), "bolt"));
        // Once open it stays when the pointer leaves, until its close button is pressed.
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
        QTest::newRow("folder") << false << u"folder"_s << QString() << u"openFolder"_s + folder;
        QTest::newRow("terminal") << false << u"terminal"_s << QString() << u"open -a Terminal"_s + folder;
        QTest::newRow("code") << false << u"square.and.pencil"_s << u"Visual Studio Code"_s
                              << u"open -a Visual Studio Code"_s + folder;
        QTest::newRow("cursor, saved item")
            << true << u"square.and.pencil"_s << u"Cursor"_s << u"open -a Cursor"_s + folder;
        QTest::newRow("bolt saves") << false << u"bolt"_s << QString() << u"saved 3000"_s;
    }

    void actionBarActsOnTheFolder()
    {
        QFETCH(bool, hideAdd);
        QFETCH(QString, button);
        QFETCH(QString, menuItem);
        QFETCH(QString, expected);
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
            QCOMPARE(actions.at(0)->text() + u'|' + actions.at(1)->text(), u"Visual Studio Code|Cursor"_s);
            actions.at(menuItem == actions.at(0)->text() ? 0 : 1)->trigger();
        }
        QStringList done = fixture.desktop->calls;
        for (const QuickLaunchItemPtr& item : QuickLaunchStore::loadQuickLaunchItems(fixture.state))
            done.append(u"saved "_s + item->port());
        QCOMPARE(done, QStringList{expected});
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
        QVERIFY(!child(std::make_unique<ProcessDetailsPanel>(withOrigin, false).get(), "detailsPid"));
        // Without an origin there is no path, no command and no action to offer.
        const auto bare = std::make_shared<PortData>(u"deno"_s, u"8000"_s, u"1"_s);
        ProcessDetailsPanel barePanel(*bare, true);
        QVERIFY(!child(&barePanel, "detailsPath") && !child(&barePanel, "copyCommand"));
        ServicesFixture fixture;
        ProcessInfoAction bar(bare, false, fixture.services());
        QVERIFY(bar.isHidden() && bar.findChildren<QToolButton*>().isEmpty());
    }
};

QTEST_MAIN(ProcessViewsTest)
#include "tst_processviews.moc"
