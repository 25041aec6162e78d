#include "gui/process/ProcessDetailsPanel.h"
#include "gui/process/ProcessInfoAction.h"
#include "gui/process/ProcessItem.h"
#include "gui/widgets/DelayPopover.h"
#include "gui/widgets/PopoverWindow.h"
#include "platform/Host.h"
#include "platform/ProcessSystemTools.h"
#include "process/ProcessOrigin.h"
#include "process/ProcessStatsReader.h"
#include "process/ProcessStopper.h"
#include "state/AppState.h"
#include "support/RecordingDesktop.h"
#include "support/TestProcesses.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMutex>
#include <QSettings>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>
#include <QToolButton>
#include <atomic>
#include <list>

using namespace tidewell;
using namespace tidewell::test;

namespace {

HTMLData page(const QString& title, AppType type = AppType::unknown, HttpScheme scheme = HttpScheme::http)
{
    return HTMLData{title, type, std::nullopt, scheme};
}

// One window's worth of services over a private settings file and pool.
struct Fixture
{
    QTemporaryDir dir;
    AppState state{std::make_unique<QSettings>(dir.filePath(QStringLiteral("s.ini")), QSettings::IniFormat)};
    std::shared_ptr<RecordingDesktop> desktop = std::make_shared<RecordingDesktop>();
    QThreadPool pool;
    std::atomic<int> statsReads{0};

    // Views keep a pointer to their bundle, so each one lives as long as the fixture.
    std::list<AppServices> bundles;

    const AppServices* services(std::function<std::optional<ProcessStats>(const PortData&)> read = {},
                                std::function<void(const QString&)> stop = {})
    {
        AppServices result;
        result.state = &state;
        result.desktop = desktop;
        result.pool = &pool;
        result.readStats = [this, read](const PortData& port) -> std::optional<ProcessStats> {
            ++statsReads;
            return read ? read(port) : std::nullopt;
        };
        result.stopProcess = std::move(stop);
        // Saving goes into the same record as the desktop calls, in the order they happen.
        result.addToQuickLaunch = [this](const PortDataLike& entry) {
            desktop->calls.append(QStringLiteral("saved ") + entry.port());
        };
        return &bundles.emplace_back(std::move(result));
    }
    ~Fixture() { pool.waitForDone(); }
};

template <typename T> T* child(QWidget* parent, const char* name)
{
    return parent->findChild<T*>(QLatin1String(name));
}

bool shown(QWidget* widget)
{
    return widget && !widget->isHidden();
}

void sendEvent(QWidget* widget, QEvent::Type type)
{
    QEvent event(type);
    QApplication::sendEvent(widget, &event);
}

// Gone, or a zombie that only waits to be reaped.
bool processGone(const QString& pid)
{
    QFile stat(QStringLiteral("/proc/") + pid + QStringLiteral("/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    return close > 0 && text.mid(close + 2, 1) == "Z";
}

void click(QWidget* widget, QPoint at = QPoint(5, 5))
{
    QTest::mouseClick(widget, Qt::LeftButton, {}, at);
}

} // namespace

class ProcessViewsTest : public QObject
{
    Q_OBJECT
private slots:
    void rowShowsWhatItsProcessIs_data();
    void rowShowsWhatItsProcessIs();
    void xrayReadingsFollowModeAndVisibility();
    void xrayReadingsOfManyRowsAreSpreadOverTheSecond();
    void stopSignalsTheRealProcessAndSpins();
    void popoverNeedsTheResting_data();
    void popoverNeedsTheResting();
    void actionBarActsOnTheFolder_data();
    void actionBarActsOnTheFolder();
    void detailsPanelShowsOriginAndCopiesTheCommand();
};

void ProcessViewsTest::rowShowsWhatItsProcessIs_data()
{
    QTest::addColumn<QString>("processName");
    QTest::addColumn<QString>("scheme");    // of the page; empty for none
    QTest::addColumn<QStringList>("parts"); // the optional parts of the row that are shown
    QTest::addColumn<QString>("opens");

    const QString http = QStringLiteral("openUrl http://localhost:3000");
    const auto parts = [](const char* names) { return QString::fromLatin1(names).split(QLatin1Char(' ')); };
    QTest::newRow("node with a React page")
        << "node" << QStringLiteral("http") << parts("processIcon appTypeIcon statsLine stopButton") << http;
    QTest::newRow("editor helper has no stop")
        << "Code\\x20H" << QStringLiteral("http") << parts("processIcon statsLine") << http;
    QTest::newRow("cursor in any case is an editor")
        << "cursor" << QStringLiteral("http") << parts("statsLine") << http;
    QTest::newRow("ssh: badge, no statistics, https page")
        << "ssh" << QStringLiteral("https") << parts("sshBadge stopButton")
        << QStringLiteral("openUrl https://localhost:3000");
    QTest::newRow("no page: no title, no badge, no click")
        << "deno" << QString() << parts("statsLine stopButton") << QString();
}

// X-ray is on and every reading succeeds, so only the ssh row hides its statistics.
void ProcessViewsTest::rowShowsWhatItsProcessIs()
{
    QFETCH(QString, processName);
    QFETCH(QString, scheme);
    QFETCH(QStringList, parts);
    QFETCH(QString, opens);

    Fixture fixture;
    fixture.state.setXrayMode(true);
    const AppServices* services = fixture.services([](const PortData&) {
        return std::optional(ProcessStats{QStringLiteral("1.0"), QStringLiteral("0.1"),
                                          QStringLiteral("3.50MB"), QStringLiteral("main")});
    });
    const AppType type = processName == QLatin1String("node") ? AppType::react : AppType::unknown;
    const std::optional<HTMLData> html =
        scheme.isEmpty()
            ? std::nullopt
            : std::optional(page(QStringLiteral("My App"), type,
                                 scheme == QLatin1String("https") ? HttpScheme::https : HttpScheme::http));
    const PortData entry(processName, QStringLiteral("3000"), QStringLiteral("42"), html);
    ProcessItem row(entry, false, services);
    row.resize(360, row.height());
    row.show();

    QTRY_VERIFY(row.stats().has_value());
    QStringList shownParts;
    for (const char* name : {"processIcon", "appTypeIcon", "sshBadge", "statsLine", "stopButton"}) {
        if (shown(child<QWidget>(&row, name)))
            shownParts.append(QLatin1String(name));
    }
    QCOMPARE(shownParts, parts);
    QCOMPARE(child<QLabel>(&row, "title")->text(), html ? QStringLiteral("My App") : QString());
    QCOMPARE(child<QLabel>(&row, "port")->text(), QStringLiteral("3000"));
    QCOMPARE(row.height(), 60);
    QCOMPARE(child<QLabel>(&row, "statsCpu")->text(), QStringLiteral("1.0%"));
    QCOMPARE(child<QLabel>(&row, "statsMemory")->text(), QStringLiteral("3.50MB"));

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
void ProcessViewsTest::xrayReadingsFollowModeAndVisibility()
{
    QTemporaryDir folder;
    const QString git = findProgram(QStringLiteral("git"));
    if (git.isEmpty())
        QSKIP("git is not installed");
    QProcess::execute(git, {QStringLiteral("-C"), folder.path(), QStringLiteral("init"), QStringLiteral("-q"),
                            QStringLiteral("-b"), QStringLiteral("feature/xray")});
    auto server = startListenerFromShell({QStringLiteral("--mode"), QStringLiteral("silent")}, folder.path());
    QVERIFY(server->waitUntilReady());

    Fixture fixture;
    const Host host = Host::create();
    const ProcessOrigin origin(host.processes, [](const QString&) {});
    const ProcessStatsReader reader(host.processes);
    // The shell's child is the server.
    QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(server->pid()));
    QVERIFY(children.open(QIODevice::ReadOnly));
    const QString pid = QString::fromLatin1(children.readAll().trimmed());
    const PortData entry(QStringLiteral("python3"), QString::number(server->port()), pid,
                         page(QStringLiteral("t")), origin.getProcessInfo(pid));
    QVERIFY(entry.processInfo().has_value());

    ProcessItem row(entry, false,
                    fixture.services([&reader](const PortData& p) { return reader.fetchProcessStats(p); }));
    row.show();
    QWidget* statsLine = child<QWidget>(&row, "statsLine");
    QCOMPARE(fixture.statsReads.load(), 0);
    QVERIFY(!shown(statsLine));

    // Turning x-ray on reads at once, even with the window closed.
    fixture.state.setXrayMode(true);
    QTRY_VERIFY(row.stats().has_value());
    QCOMPARE(fixture.statsReads.load(), 1);
    QCOMPARE(row.stats()->gitBranch, QStringLiteral("feature/xray"));
    QVERIFY(row.stats()->memMB.endsWith(QLatin1String("MB")));
    QVERIFY(shown(statsLine));
    QCOMPARE(child<QLabel>(&row, "statsCpu")->text(), row.stats()->cpu + QLatin1Char('%'));
    QCOMPARE(child<QWidget>(&row, "processIcon")->width(), 20);

    // Closed window: the one-second timer does not even run.
    QSignalSpy spy(&row, &ProcessItem::statsChanged);
    QVERIFY(!row.isStatsTimerRunning());
    QVERIFY(!spy.wait(1500));
    QCOMPARE(fixture.statsReads.load(), 1);

    // Open window: a reading every second.
    fixture.state.setIsVisible(true);
    QTRY_VERIFY_WITH_TIMEOUT(fixture.statsReads.load() >= 3, 5000);

    // Off: nothing more is read, the line goes, the last figures are kept.
    fixture.state.setXrayMode(false);
    QTRY_VERIFY(!row.isReadingStats());
    const int reads = fixture.statsReads.load();
    QVERIFY(!shown(statsLine));
    QVERIFY(row.stats().has_value());
    QCOMPARE(child<QWidget>(&row, "processIcon")->width(), 28);
    QVERIFY(!spy.wait(1500));
    QCOMPARE(fixture.statsReads.load(), reads);

    // A process that has gone clears the figures at the next reading.
    server->kill();
    fixture.state.setXrayMode(true);
    QTRY_VERIFY(!row.stats().has_value());
    QVERIFY(!shown(statsLine));
}

void ProcessViewsTest::xrayReadingsOfManyRowsAreSpreadOverTheSecond()
{
    Fixture fixture;
    QMutex mutex;
    QHash<QString, qint64> firstTimedRead; // per port, once the window is open
    QElapsedTimer clock;
    const AppServices* services = fixture.services([&](const PortData& port) {
        const QMutexLocker lock(&mutex);
        if (clock.isValid() && !firstTimedRead.contains(port.port()))
            firstTimedRead.insert(port.port(), clock.elapsed());
        return std::optional<ProcessStats>();
    });
    std::vector<std::unique_ptr<ProcessItem>> rows;
    for (int port = 3000; port < 3020; ++port) {
        const PortData entry(QStringLiteral("node"), QString::number(port), QStringLiteral("1"),
                             page(QStringLiteral("t")));
        rows.push_back(std::make_unique<ProcessItem>(entry, false, services));
    }
    fixture.state.setXrayMode(true);
    QTRY_COMPARE(fixture.statsReads.load(), 20);
    clock.start();
    fixture.state.setIsVisible(true);
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            const QMutexLocker lock(&mutex);
            return firstTimedRead.size() == 20;
        }(),
        5000);
    const QList<qint64> times = firstTimedRead.values();
    const qint64 spread =
        *std::max_element(times.cbegin(), times.cend()) - *std::min_element(times.cbegin(), times.cend());
    QVERIFY2(spread >= 400, qPrintable(QString::number(spread)));
}

void ProcessViewsTest::stopSignalsTheRealProcessAndSpins()
{
    auto server = startListener({QStringLiteral("--mode"), QStringLiteral("silent")});
    QVERIFY(server->waitUntilReady());
    const QString pid = QString::number(server->pid());

    Fixture fixture;
    const ProcessStopper stopper(std::make_shared<ProcessSystemTools>());
    ProcessItem row(
        PortData(QStringLiteral("python3"), QString::number(server->port()), pid, page(QStringLiteral("t"))),
        false, fixture.services({}, [&stopper](const QString& p) { stopper.stopProcess(p); }));
    row.show();
    auto* stack = child<QStackedWidget>(&row, "stopStack");
    click(child<QToolButton>(&row, "stopButton"));
    QCOMPARE(stack->currentIndex(), 1);
    QVERIFY(shown(child<QWidget>(&row, "stopSpinner")));
    QTRY_VERIFY(processGone(pid));
    // The spinner stays until a scan no longer lists the port; a second press does nothing.
    row.stopProcess();
    QCOMPARE(stack->currentIndex(), 1);
}

void ProcessViewsTest::popoverNeedsTheResting_data()
{
    QTest::addColumn<int>("leaveAfterMs");
    QTest::addColumn<int>("travel");
    QTest::addColumn<bool>("opens");

    QTest::newRow("resting a full second") << -1 << 0 << true;
    QTest::newRow("small drift still counts") << -1 << 9 << true;
    QTest::newRow("moved 12 points in the second half") << -1 << 12 << false;
    QTest::newRow("left after 0.7 seconds") << 700 << 0 << false;
}

void ProcessViewsTest::popoverNeedsTheResting()
{
    QFETCH(int, leaveAfterMs);
    QFETCH(int, travel);
    QFETCH(bool, opens);

    Fixture fixture;
    ProcessItem row(PortData(QStringLiteral("node"), QStringLiteral("3000"), QStringLiteral("9"),
                             page(QStringLiteral("T")),
                             ProcessInfo{QStringLiteral("/tmp"), QStringLiteral("npm run dev")}),
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
    QCOMPARE(child<QLabel>(popover->popover(), "popoverTitle")->text(), QStringLiteral("T"));
    QVERIFY(child<QWidget>(popover->popover(), "detailsPid"));
    QVERIFY(child<QWidget>(popover->popover(), "bolt"));
    // Once open it stays when the pointer leaves, until its close button is pressed.
    sendEvent(&row, QEvent::Leave);
    QVERIFY(popover->popover()->isVisible());
    click(child<QToolButton>(popover->popover(), "popoverClose"));
    QTRY_VERIFY(!popover->showPopup());
}

void ProcessViewsTest::actionBarActsOnTheFolder_data()
{
    QTest::addColumn<bool>("hideAdd");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("menuItem");
    QTest::addColumn<QString>("expected");

    const QString folder = QStringLiteral("/home/me/my app");
    QTest::newRow("folder") << false << "folder"
                            << "" << QStringLiteral("openFolder ") + folder;
    QTest::newRow("terminal") << false << "terminal"
                              << "" << QStringLiteral("open -a Terminal ") + folder;
    QTest::newRow("code") << false << "square.and.pencil"
                          << "Visual Studio Code" << QStringLiteral("open -a Visual Studio Code ") + folder;
    QTest::newRow("cursor, saved item") << true << "square.and.pencil"
                                        << "Cursor" << QStringLiteral("open -a Cursor ") + folder;
    QTest::newRow("bolt saves") << false << "bolt"
                                << "" << QStringLiteral("saved 3000");
}

void ProcessViewsTest::actionBarActsOnTheFolder()
{
    QFETCH(bool, hideAdd);
    QFETCH(QString, button);
    QFETCH(QString, menuItem);
    QFETCH(QString, expected);

    Fixture fixture;
    const auto entry = std::make_shared<PortData>(
        QStringLiteral("node"), QStringLiteral("3000"), QStringLiteral("9"), std::nullopt,
        ProcessInfo{QStringLiteral("/home/me/my app"), QStringLiteral("npm start")});
    ProcessInfoAction bar(entry, hideAdd, fixture.services());
    bar.show();
    QCOMPARE(shown(child<QToolButton>(&bar, "bolt")), !hideAdd);

    auto* target = child<QToolButton>(&bar, button.toLatin1().constData());
    if (menuItem.isEmpty()) {
        click(target);
    } else {
        const auto actions = target->menu()->actions();
        QCOMPARE(actions.size(), 2);
        QCOMPARE(actions.at(0)->text(), QStringLiteral("Visual Studio Code"));
        QCOMPARE(actions.at(1)->text(), QStringLiteral("Cursor"));
        for (QAction* action : actions) {
            if (action->text() == menuItem)
                action->trigger();
        }
    }
    QCOMPARE(fixture.desktop->calls, QStringList{expected});
}

void ProcessViewsTest::detailsPanelShowsOriginAndCopiesTheCommand()
{
    const PortData withOrigin(
        QStringLiteral("node"), QStringLiteral("3000"), QStringLiteral("4242"), std::nullopt,
        ProcessInfo{QStringLiteral("/srv/app"), QStringLiteral("node server.js --port 3000")});
    ProcessDetailsPanel panel(withOrigin, true);
    QCOMPARE(child<QLabel>(&panel, "detailsPort")->text(), QStringLiteral("Port: 3000"));
    QCOMPARE(child<QLabel>(&panel, "detailsPid")->text(), QStringLiteral("PID: 4242"));
    QCOMPARE(child<QLabel>(&panel, "detailsCommand")->text(), QStringLiteral("node server.js --port 3000"));
    QVERIFY(child<QWidget>(&panel, "detailsPath"));
    click(child<QToolButton>(&panel, "copyCommand"));
    const QMimeData* copied = QGuiApplication::clipboard()->mimeData();
    QCOMPARE(copied->formats(), QStringList{QStringLiteral("text/plain")});
    QCOMPARE(copied->text(), QStringLiteral("node server.js --port 3000"));

    ProcessDetailsPanel saved(withOrigin, false);
    QVERIFY(!child<QLabel>(&saved, "detailsPid"));
    // Without an origin there is no path, no command and no action to offer.
    const auto bare =
        std::make_shared<PortData>(QStringLiteral("deno"), QStringLiteral("8000"), QStringLiteral("1"));
    ProcessDetailsPanel barePanel(*bare, true);
    QVERIFY(!child<QWidget>(&barePanel, "detailsPath"));
    QVERIFY(!child<QWidget>(&barePanel, "copyCommand"));
    Fixture fixture;
    ProcessInfoAction bar(bare, false, fixture.services());
    QVERIFY(bar.isHidden());
    QVERIFY(bar.findChildren<QToolButton*>().isEmpty());
}

QTEST_MAIN(ProcessViewsTest)
#include "tst_processviews.moc"
