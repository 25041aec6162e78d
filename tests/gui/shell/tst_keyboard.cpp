#include "gui/ports/PortsTab.h"
#include "gui/process/ProcessItem.h"
#include "gui/quicklaunch/QuickLaunchItem.h"
#include "gui/quicklaunch/QuickLaunchList.h"
#include "gui/widgets/CursorModifier.h"
#include "gui/widgets/DelayPopover.h"
#include "process/ProcessStopper.h"
#include "support/MenuFixture.h"
#include "support/TestProcesses.h"
#include "support/WidgetHelpers.h"

#include <QClipboard>
#include <QDir>
#include <QLineEdit>

using namespace tidewell;
using namespace tidewell::test;
using namespace Qt::StringLiterals;

namespace {

// The window over the host's real listeners, with two servers of the test's own in folders whose
// names no other server holds; typing that part of the name leaves only their rows.
struct Servers : MenuFixture
{
    QString suffix = QDir(dir.path()).dirName().section(u'-', -1).toLower();
    std::vector<std::unique_ptr<ChildProcess>> servers;
    Host stopHost = Host::create();

    Servers() : MenuFixture(true)
    {
        for (const QString& name : {u"alpha-"_s, u"beta-"_s}) {
            QDir().mkpath(dir.filePath(name + suffix));
            servers.push_back(startListenerFromShell({u"--name"_s, u"node"_s}, dir.filePath(name + suffix)));
        }
        build(false);
        bundles.back().stopProcess = [stopper = ProcessStopper(stopHost.tools, stopHost.processes)](
                                         const ProcessIdentity& listed, StopSignal signal) {
            return stopper.stopProcess(listed, signal, ProcessStopper::kWatchMs);
        };
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
    return (port ? port->cursorModifier() : qobject_cast<QuickLaunchItem*>(row)->cursorModifier())
        ->isHighlighted();
}

} // namespace

// The window driven by keys over a real list of the test's own servers.
class KeyboardTest : public QObject
{
    Q_OBJECT
private slots:
    void keysActOnTheHighlightedRow_data()
    {
        QTest::addColumn<bool>("quickLaunch");
        QTest::addColumn<QString>("keys"); // pressed after the folders' common part was typed
        QTest::addColumn<int>("row");      // the row left highlighted, -1 for none
        QTest::addColumn<QString>("effect");
        QTest::newRow("typed, Enter opens the first") << false << u"Return"_s << 0 << u"page"_s;
        QTest::newRow("Down, Enter") << false << u"Down, Return"_s << 1 << u"page"_s;
        QTest::newRow("Down, Up, copy") << false << u"Down, Down, Up, Ctrl+C"_s << 0 << u"copy"_s;
        QTest::newRow("Space shows the details") << false << u"Down, Space"_s << 1 << u"details"_s;
        QTest::newRow("Delete stops") << false << u"Down, Del"_s << 1 << u"stop"_s;
        QTest::newRow("Space in the field types") << false << u"Space"_s << 0 << u"typed"_s;
        QTest::newRow("Tab to the next tab") << false << u"Tab"_s << -1 << u"quickLaunch"_s;
        QTest::newRow("Shift+Tab to the previous") << false << u"Shift+Tab"_s << -1 << u"vercel"_s;
        QTest::newRow("quick launch: Enter starts") << true << u"Down, Return"_s << 1 << u"relaunch"_s;
        QTest::newRow("quick launch: Delete deletes") << true << u"Down, Del"_s << -1 << u"delete"_s;
    }

    void keysActOnTheHighlightedRow()
    {
        QFETCH(bool, quickLaunch);
        QFETCH(QString, keys);
        QFETCH(int, row);
        QFETCH(QString, effect);
        Servers servers;
        for (const auto& server : servers.servers)
            QVERIFY(server->waitUntilReady());
        AppMenu* menu = servers.menu.get();
        menu->show();
        menu->setMenuPresented(true);
        const auto own = [&servers] {
            QList<PortData> entries = servers.refresher->sortedPorts();
            entries.removeIf([&](const PortData& e) {
                return !e.processInfo() || !e.processInfo()->cwd.contains(servers.suffix);
            });
            return entries;
        };
        QTRY_COMPARE_WITH_TIMEOUT(own().size(), 2, 20000);
        if (quickLaunch) {
            for (const PortData& entry : own())
                QuickLaunchStore::addQuickLaunchItem(entry, servers.state);
            servers.state.setSelectedTab(SelectedTab::quickLaunch);
        }
        for (const QChar key : servers.suffix)
            servers.press(QKeySequence(key));
        QTRY_VERIFY(servers.rows().size() == 2 && highlighted(servers.rows().first()));
        for (const QString& key : keys.split(u", "_s))
            servers.press(QKeySequence(key));
        const QList<QWidget*> rows = servers.rows();
        QCOMPARE(std::count_if(rows.cbegin(), rows.cend(), highlighted), row < 0 ? 0 : 1);
        auto* port = qobject_cast<ProcessItem*>(rows.value(row));
        auto* saved = qobject_cast<QuickLaunchItem*>(rows.value(row));
        const QString portText = port ? port->port().port() : QString();
        const QHash<QString, bool> results{
            {u"page"_s, servers.desktop->calls.value(0) == u"openUrl http://localhost:"_s + portText},
            {u"copy"_s, port && QGuiApplication::clipboard()->text() == port->port().processInfo()->cmd},
            {u"details"_s, port && port->popover()->showPopup()},
            {u"typed"_s, menu->filterField()->text() == servers.suffix + u' '},
            {u"relaunch"_s, saved && servers.desktop->calls.value(0).startsWith(
                                         u"runInNewTerminal "_s + saved->item()->processInfo()->cwd)},
            {u"quickLaunch"_s, servers.state.selectedTab() == SelectedTab::quickLaunch},
            {u"vercel"_s, servers.state.selectedTab() == SelectedTab::vercel}};
        if (effect == u"delete")
            QCOMPARE(QuickLaunchStore::loadQuickLaunchItems(servers.state).size(), 1);
        else if (effect != u"stop")
            QVERIFY2(results.value(effect), qPrintable(effect));
        // The highlighted server alone is stopped, and only by Delete.
        for (const auto& server : servers.servers) {
            const bool stopped = effect == u"stop" && QString::number(server->port()) == portText;
            QCOMPARE(server->process().waitForFinished(stopped ? 10000 : 0), stopped);
        }
    }

    void stopThatMakesSure_data()
    {
        QTest::addColumn<bool>("swapBeforeKill"); // the pid given away between the two signals
        QTest::addColumn<bool>("refused");        // the host refuses the signal
        QTest::addColumn<QString>("shownAtEnd");
        QTest::addColumn<bool>("killed");
        QTest::newRow("ignores SIGTERM: Force stop") << false << false << u"stopSpinner"_s << true;
        QTest::newRow("pid given away before the kill") << true << false << u"stopButton"_s << false;
        // Root may signal any process: a refusal is out of this test's reach, so the host's answer is
        // stood in for.
        QTest::newRow("another user's process") << false << true << u"notPermitted"_s << false;
    }

    void stopThatMakesSure()
    {
        QFETCH(bool, swapBeforeKill);
        QFETCH(bool, refused);
        QFETCH(QString, shownAtEnd);
        QFETCH(bool, killed);
        auto server = startListener({u"--mode"_s, u"silent"_s, u"--hold-term"_s});
        QVERIFY(server->waitUntilReady());
        const Host host = Host::create();
        const ScanResult scan = PortScanner(host.sockets, host.processes).scanListeningPorts();
        const QList<PortData> entries = scan.candidates + scan.ignored;
        const auto listed = std::find_if(entries.cbegin(), entries.cend(), [&server](const PortData& entry) {
            return entry.pid() == QString::number(server->pid());
        });
        QVERIFY(listed != entries.cend());

        ServicesFixture fixture;
        AppServices* services = fixture.services();
        const ProcessStopper stopper(host.tools, host.processes);
        services->stopProcess = [=](ProcessIdentity identity, StopSignal signal) {
            if (refused)
                return StopResult::notPermitted;
            if (swapBeforeKill && signal == StopSignal::kill)
                identity.startTime += u'0';
            return stopper.stopProcess(identity, signal, 300);
        };
        ProcessItem row(*listed, false, services);
        row.show();
        row.stopProcess();
        if (!refused) {
            QTRY_VERIFY(child(&row, "forceStopButton")->isVisible());
            QCOMPARE(server->process().state(), QProcess::Running);
            click(child(&row, "forceStopButton"));
        }
        QTRY_VERIFY(child(&row, qPrintable(shownAtEnd))->isVisible());
        QCOMPARE(server->process().waitForFinished(killed ? 10000 : 0), killed);
    }
};

QTEST_MAIN(KeyboardTest)
#include "tst_keyboard.moc"
