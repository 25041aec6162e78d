#include "gui/ports/PortsTab.h"
#include "gui/process/ProcessItem.h"
#include "gui/quicklaunch/QuickLaunchItem.h"
#include "gui/quicklaunch/QuickLaunchList.h"
#include "gui/shell/MenuKeyboardControl.h"
#include "gui/widgets/DelayPopover.h"
#include "gui/widgets/HintLabel.h"
#include "gui/widgets/RowHoverLook.h"
#include "process/ProcessStopper.h"
#include "support/MenuFixture.h"
#include "support/TestProcesses.h"
#include "support/WidgetHelpers.h"

#include <QAccessible>
#include <QClipboard>
#include <QDir>
#include <QLineEdit>
#include <QScreen>

using namespace tidewell;
using namespace tidewell::test;
using namespace Qt::StringLiterals;

namespace {

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
        QStringList names;
        for (const QString& name : {u"alpha"_s, u"beta"_s}) {
            if (portRow(servers.at(name == u"beta"_s)->port()))
                names.append(name);
        }
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

// The window driven by keys over a real list of the test's own servers: typing filters the rows,
// Escape clears the filter, then closes; the arrows, Enter, Space, Delete and Tab act.
class KeyboardTest : public QObject
{
    Q_OBJECT
private slots:
    void typingKeepsTheMatchingRows_data()
    {
        QTest::addColumn<bool>("quickLaunch");
        // %1 is the folders' random part, %2 and %3 the two servers' ports.
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("kept");
        QTest::newRow("folder, other case") << false << u"ALPHA-%1"_s << QStringList{u"alpha"_s};
        QTest::newRow("port and title word") << false << u"%3 journal"_s << QStringList{u"beta"_s};
        QTest::newRow("part both hold") << false << u"%1"_s << QStringList{u"alpha"_s, u"beta"_s};
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
        QTest::newRow("typed, Enter opens the first") << false << u"Return"_s << 0 << u"page"_s;
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
        // A screen reader is told which row the keys act on.
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
        // The highlighted server alone is stopped, and only by Delete.
        for (const auto& server : servers.servers) {
            const bool stopped = effect == u"stop" && QString::number(server->port()) == portText;
            QCOMPARE(server->process().waitForFinished(stopped ? 10000 : 0), stopped);
        }
    }

    void hintLiesBesideItsRow_data()
    {
        // Where the window's top left corner sits, as a fraction of the screen's free room.
        QTest::addColumn<QPointF>("corner");
        QTest::newRow("left end of a top panel") << QPointF(0, 0);
        QTest::newRow("right end of a top panel") << QPointF(1, 0);
        QTest::newRow("right end of a bottom panel") << QPointF(1, 1);
    }

    // The note naming a highlighted row's keys stays on the window's screen, right under (or over)
    // its row and across it, wherever the window is.
    void hintLiesBesideItsRow()
    {
        QFETCH(QPointF, corner);
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
        menu->move(available.topLeft() +
                   QPoint(int(room.width() * corner.x()), int(room.height() * corner.y())));
        QTRY_COMPARE(menu->pos(), available.topLeft() + QPoint(int(room.width() * corner.x()),
                                                               int(room.height() * corner.y())));
        servers.press(QKeySequence(u"Down"_s));
        QWidget* row = servers.rows().at(1);
        QVERIFY(highlighted(row));
        QWidget* hint = menu->findChild<MenuKeyboardControl*>()->hint();
        QVERIFY(hint && hint->isVisible());
        const QRect rowRect(row->mapToGlobal(QPoint(0, 0)), row->size());
        const QRect hintRect = hint->frameGeometry();
        QVERIFY2(available.contains(hintRect), qPrintable(u"%1,%2 %3x%4"_s.arg(hintRect.x())
                                                              .arg(hintRect.y())
                                                              .arg(hintRect.width())
                                                              .arg(hintRect.height())));
        QVERIFY2(hintRect.center().x() >= rowRect.left() && hintRect.center().x() <= rowRect.right(),
                 qPrintable(u"hint centre %1, row %2 to %3"_s.arg(hintRect.center().x())
                                .arg(rowRect.left())
                                .arg(rowRect.right())));
        const bool under = hintRect.top() > rowRect.bottom() && hintRect.top() - rowRect.bottom() <= 4;
        const bool over = hintRect.bottom() < rowRect.top() && rowRect.top() - hintRect.bottom() <= 4;
        QVERIFY2(under || over, qPrintable(u"hint %1 to %2, row %3 to %4"_s.arg(hintRect.top())
                                               .arg(hintRect.bottom())
                                               .arg(rowRect.top())
                                               .arg(rowRect.bottom())));
    }
};

QTEST_MAIN(KeyboardTest)
#include "tst_keyboard.moc"
