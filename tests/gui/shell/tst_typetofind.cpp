#include "gui/quicklaunch/QuickLaunchList.h"
#include "support/MenuFixture.h"
#include "support/TestProcesses.h"
#include "support/WidgetHelpers.h"

#include <QDir>
#include <QLineEdit>

using namespace tidewell;
using namespace tidewell::test;
using namespace Qt::StringLiterals;

namespace {

// The window over the host's real listeners, with two servers of the test's own in folders whose
// names no other server on the machine holds.
struct Servers : MenuFixture
{
    QString suffix = QDir(dir.path()).dirName().section(u'-', -1).toLower();
    std::unique_ptr<ChildProcess> alpha;
    std::unique_ptr<ChildProcess> beta;

    Servers() : MenuFixture(true)
    {
        for (const auto& [server, name, title] : {std::tuple{&alpha, u"alpha-"_s, u"Alpha Store"_s},
                                                  std::tuple{&beta, u"beta-"_s, u"Beta Journal"_s}}) {
            const QString folder = dir.filePath(name + suffix);
            QDir().mkpath(folder);
            *server = startListenerFromShell({u"--name"_s, u"node"_s, u"--title"_s, title}, folder);
        }
        build(false);
    }
    // Which of the test's two servers have a row on the ports tab.
    QStringList ownRows() const
    {
        QStringList names;
        for (const auto& [server, name] :
             {std::pair{alpha.get(), u"alpha"_s}, std::pair{beta.get(), u"beta"_s}}) {
            if (portRow(server->port()))
                names.append(name);
        }
        return names;
    }
};

} // namespace

// Typing on the window filters the rows of a real list; Escape clears the filter, then closes.
class TypeToFindTest : public QObject
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
        QVERIFY(servers.alpha->waitUntilReady() && servers.beta->waitUntilReady());
        AppMenu* menu = servers.menu.get();
        menu->setWindowFlag(Qt::Popup);
        menu->show();
        menu->setMenuPresented(true);
        const QStringList both{u"alpha"_s, u"beta"_s};
        QTRY_COMPARE_WITH_TIMEOUT(servers.ownRows(), both, 20000);
        if (quickLaunch) {
            for (const PortData& entry : servers.refresher->sortedPorts()) {
                if (servers.suffix.size() > 3 && entry.processInfo() &&
                    entry.processInfo()->cwd.contains(servers.suffix))
                    QuickLaunchStore::addQuickLaunchItem(entry, servers.state);
            }
            servers.state.setSelectedTab(SelectedTab::quickLaunch);
            QTRY_COMPARE(menu->quickLaunchTab()->rows().size(), 2);
        }

        // The first key reaches the window, the others the field it opened, which holds the focus.
        const QString text = typed.arg(servers.suffix).arg(servers.alpha->port()).arg(servers.beta->port());
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
        if (quickLaunch)
            QTRY_COMPARE(menu->quickLaunchTab()->rows().size(), 2);
        else
            QTRY_COMPARE(servers.ownRows(), both);
        QVERIFY(menu->isVisible());
        QTest::keyClick(menu, Qt::Key_Escape);
        QVERIFY(!menu->isVisible());
    }
};

QTEST_MAIN(TypeToFindTest)
#include "tst_typetofind.moc"
