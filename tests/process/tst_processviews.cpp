#include "app/AppState.h"
#include "app/DelayPopover.h"
#include "app/PopoverWindow.h"
#include "platform/Host.h"
#include "platform/ProcessSystemTools.h"
#include "process/ProcessDetailsPanel.h"
#include "process/ProcessIcon.h"
#include "process/ProcessInfoAction.h"
#include "process/ProcessItem.h"
#include "process/ProcessOrigin.h"
#include "process/ProcessStatsReader.h"
#include "support/RecordingDesktop.h"
#include "support/TestProcesses.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QSettings>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>
#include <QToolButton>
#include <atomic>

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
    QStringList saved;

    AppServices services(std::function<std::optional<ProcessStats>(const PortData&)> read = {},
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
        result.addToQuickLaunch = [this](const PortDataLike& entry) { saved.append(entry.port()); };
        return result;
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
    void sshRowNeverShowsStatistics();
    void stopSignalsTheRealProcessAndSpins();
    void clickOpensThePageOfFullRowsOnly_data();
    void clickOpensThePageOfFullRowsOnly();
    void popoverNeedsTheResting_data();
    void popoverNeedsTheResting();
    void openPopoverStaysUntilClosed();
    void actionBarActsOnTheFolder_data();
    void actionBarActsOnTheFolder();
    void actionBarIsEmptyWithoutOrigin();
    void detailsPanelShowsOriginAndCopiesTheCommand();
};

void ProcessViewsTest::rowShowsWhatItsProcessIs_data()
{
    QTest::addColumn<QString>("processName");
    QTest::addColumn<bool>("hasPage");
    QTest::addColumn<QString>("icon");
    QTest::addColumn<bool>("appTypeBadge");
    QTest::addColumn<bool>("sshBadge");
    QTest::addColumn<bool>("stopButton");

    QTest::newRow("node with a React page") << "node" << true << "nodejs" << true << false << true;
    QTest::newRow("editor helper has no stop") << "Code\\x20H" << true << "vscode" << false << false << false;
    QTest::newRow("cursor in any case is an editor") << "cursor" << true << "" << false << false << false;
    QTest::newRow("ssh gets its badge") << "ssh" << true << "" << false << true << true;
    QTest::newRow("python prefix") << "python3.1" << true << "python" << false << false << true;
    QTest::newRow("no page: no title, no badge") << "deno" << false << "" << false << false << true;
}

void ProcessViewsTest::rowShowsWhatItsProcessIs()
{
    QFETCH(QString, processName);
    QFETCH(bool, hasPage);
    QFETCH(QString, icon);
    QFETCH(bool, appTypeBadge);
    QFETCH(bool, sshBadge);
    QFETCH(bool, stopButton);

    Fixture fixture;
    const AppType type = processName == QLatin1String("node") ? AppType::react : AppType::unknown;
    const std::optional<HTMLData> html =
        hasPage ? std::optional(page(QStringLiteral("My App"), type)) : std::nullopt;
    ProcessItem row(PortData(processName, QStringLiteral("3000"), QStringLiteral("42"), html), false,
                    fixture.services());
    row.show();

    auto* processIcon = child<ProcessIcon>(&row, "processIcon");
    QCOMPARE(processIcon->assetName(), icon);
    QCOMPARE(shown(processIcon), !icon.isEmpty());
    QCOMPARE(shown(child<QWidget>(&row, "appTypeIcon")), appTypeBadge);
    QCOMPARE(shown(child<QWidget>(&row, "sshBadge")), sshBadge);
    QCOMPARE(row.hasStopButton(), stopButton);
    QCOMPARE(shown(child<QWidget>(&row, "stopButton")), stopButton);
    QCOMPARE(child<QLabel>(&row, "title")->text(), hasPage ? QStringLiteral("My App") : QString());
    QCOMPARE(child<QLabel>(&row, "port")->text(), QStringLiteral("3000"));
    QCOMPARE(row.height(), 60);

    ProcessItem small(PortData(processName, QStringLiteral("3000"), QStringLiteral("42"), html), true,
                      fixture.services());
    QCOMPARE(small.height(), 40);
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

    // Closed window: the one-second timer reads nothing.
    QSignalSpy spy(&row, &ProcessItem::statsChanged);
    QVERIFY(!spy.wait(2500));
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

void ProcessViewsTest::sshRowNeverShowsStatistics()
{
    Fixture fixture;
    fixture.state.setXrayMode(true);
    fixture.state.setIsVisible(true);
    ProcessItem row(PortData(QStringLiteral("ssh"), QStringLiteral("2222"), QStringLiteral("7"),
                             page(QStringLiteral("s")),
                             ProcessInfo{QStringLiteral("/"), QStringLiteral("ssh -L 2222:x:22 host")}),
                    false, fixture.services([](const PortData&) {
                        return std::optional(ProcessStats{QStringLiteral("1.0"), QStringLiteral("0.1"),
                                                          QStringLiteral("3.50MB"), QStringLiteral("main")});
                    }));
    row.show();
    QTRY_VERIFY(row.stats().has_value());
    QVERIFY(!shown(child<QWidget>(&row, "statsLine")));
}

void ProcessViewsTest::stopSignalsTheRealProcessAndSpins()
{
    auto server = startListener({QStringLiteral("--mode"), QStringLiteral("silent")});
    QVERIFY(server->waitUntilReady());
    const QString pid = QString::number(server->pid());

    Fixture fixture;
    ProcessSystemTools tools;
    ProcessItem row(
        PortData(QStringLiteral("python3"), QString::number(server->port()), pid, page(QStringLiteral("t"))),
        false, fixture.services({}, [&tools](const QString& p) {
            tools.runAndWait(QStringLiteral("/bin/bash"),
                             {QStringLiteral("-c"), QStringLiteral("kill -15 ") + p});
        }));
    row.show();
    auto* stack = child<QStackedWidget>(&row, "stopStack");
    QCOMPARE(stack->currentIndex(), 0);
    click(child<QToolButton>(&row, "stopButton"));
    QVERIFY(row.isKilling());
    QCOMPARE(stack->currentIndex(), 1);
    QVERIFY(shown(child<QWidget>(&row, "stopSpinner")));
    QTRY_VERIFY(processGone(pid));
    // The spinner stays until a scan no longer lists the port; a second press does nothing.
    row.stopProcess();
    QCOMPARE(stack->currentIndex(), 1);
}

void ProcessViewsTest::clickOpensThePageOfFullRowsOnly_data()
{
    QTest::addColumn<bool>("small");
    QTest::addColumn<bool>("hasPage");
    QTest::addColumn<int>("scheme");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("http page") << false << true << int(HttpScheme::http)
                               << QStringList{QStringLiteral("openUrl http://localhost:5173")};
    QTest::newRow("https page opens https") << false << true << int(HttpScheme::https)
                                            << QStringList{QStringLiteral("openUrl https://localhost:5173")};
    QTest::newRow("no page, nothing") << false << false << 0 << QStringList{};
    QTest::newRow("other listener, nothing") << true << true << int(HttpScheme::http) << QStringList{};
}

void ProcessViewsTest::clickOpensThePageOfFullRowsOnly()
{
    QFETCH(bool, small);
    QFETCH(bool, hasPage);
    QFETCH(int, scheme);
    QFETCH(QStringList, expected);

    Fixture fixture;
    const auto html = hasPage
                          ? std::optional(page(QStringLiteral("Vite"), AppType::unknown, HttpScheme(scheme)))
                          : std::nullopt;
    ProcessItem row(PortData(QStringLiteral("node"), QStringLiteral("5173"), QStringLiteral("9"), html),
                    small, fixture.services());
    row.resize(360, row.height());
    row.show();
    click(&row, QPoint(180, row.height() / 2));
    QCOMPARE(fixture.desktop->calls, expected);
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
    if (opens) {
        QVERIFY(clock.elapsed() >= 2 * ProcessItem::kPopoverDelayMs - 20);
        QVERIFY(popover->showPopup());
        QCOMPARE(child<QLabel>(popover->popover(), "popoverTitle")->text(), QStringLiteral("T"));
        QVERIFY(child<QWidget>(popover->popover(), "detailsPid"));
        QVERIFY(child<QWidget>(popover->popover(), "bolt"));
        popover->closePopup();
    } else {
        QVERIFY(!popover->showPopup());
    }
}

void ProcessViewsTest::openPopoverStaysUntilClosed()
{
    Fixture fixture;
    ProcessItem row(PortData(QStringLiteral("node"), QStringLiteral("3000"), QStringLiteral("9"),
                             page(QStringLiteral("T"))),
                    false, fixture.services());
    row.show();
    DelayPopover* popover = row.popover();
    popover->setPointerPosition([] { return QPoint(50, 50); });
    sendEvent(&row, QEvent::Enter);
    QTRY_VERIFY(popover->showPopup());
    sendEvent(&row, QEvent::Leave);
    QVERIFY(popover->showPopup());
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
    for (const char* always : {"folder", "terminal", "square.and.pencil"})
        QVERIFY(shown(child<QToolButton>(&bar, always)));

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
    QStringList got = fixture.desktop->calls;
    for (const QString& port : fixture.saved)
        got.append(QStringLiteral("saved ") + port);
    QCOMPARE(got, QStringList{expected});
}

void ProcessViewsTest::actionBarIsEmptyWithoutOrigin()
{
    Fixture fixture;
    ProcessInfoAction bar(
        std::make_shared<PortData>(QStringLiteral("node"), QStringLiteral("1"), QStringLiteral("2")), false,
        fixture.services());
    QVERIFY(bar.isHidden());
    QCOMPARE(bar.maximumSize(), QSize(0, 0));
    QVERIFY(bar.findChildren<QToolButton*>().isEmpty());
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
    ProcessDetailsPanel bare(PortData(QStringLiteral("deno"), QStringLiteral("8000"), QStringLiteral("1")),
                             true);
    QVERIFY(!child<QWidget>(&bare, "detailsPath"));
    QVERIFY(!child<QWidget>(&bare, "copyCommand"));
}

QTEST_MAIN(ProcessViewsTest)
#include "tst_processviews.moc"
