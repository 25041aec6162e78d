#include "gui/settings/SettingsPage.h"
#include "platform/Diagnostics.h"
#include "platform/linux/XdgAutostartLoginItem.h"
#include "state/AppState.h"
#include "support/FakeLoginItemService.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace tidewell;
using namespace tidewell::test;

class SettingsPageTest : public QObject
{
    Q_OBJECT
private slots:
    void switchAndStatusFollowTheService_data()
    {
        QTest::addColumn<int>("shown");     // the service's status when the page is shown
        QTest::addColumn<int>("meanwhile"); // changed in the desktop's settings since
        QTest::addColumn<bool>("click");    // the switch is flipped; otherwise the page is shown again
        QTest::addColumn<QString>("failure");
        QTest::addColumn<int>("registrations");
        QTest::addColumn<int>("unregistrations");
        QTest::addColumn<QString>("line");
        QTest::newRow("shown again: not registered")
            << 1 << 0 << false << "" << 0 << 0 << "Status: Not Registered";
        QTest::newRow("shown again: enabled") << 0 << 1 << false << "" << 0 << 0 << "Status: Enabled";
        QTest::newRow("shown again: requires approval")
            << 0 << 2 << false << "" << 0 << 0 << "Status: Unknown";
        QTest::newRow("shown again: not found") << 0 << 3 << false << "" << 0 << 0 << "Status: No Found";
        QTest::newRow("shown again: other") << 0 << 7 << false << "" << 0 << 0 << "Status: Unknown";
        QTest::newRow("on registers") << 0 << 0 << true << "" << 1 << 0 << "Status: Enabled";
        QTest::newRow("on when already enabled") << 0 << 1 << true << "" << 0 << 0 << "Status: Enabled";
        QTest::newRow("on when waiting for approval") << 2 << 2 << true << "" << 1 << 0 << "Status: Enabled";
        QTest::newRow("off unregisters") << 1 << 1 << true << "" << 0 << 1 << "Status: Not Registered";
        QTest::newRow("off when not registered")
            << 1 << 0 << true << "" << 0 << 0 << "Status: Not Registered";
        // The switch goes back to where the service still is, and the reason shows under it.
        QTest::newRow("off fails") << 1 << 1 << true << "<b>Operation not permitted</b>" << 0 << 1
                                   << "Status: Enabled";
    }

    void switchAndStatusFollowTheService()
    {
        QFETCH(int, shown);
        QFETCH(int, meanwhile);
        QFETCH(bool, click);
        QFETCH(QString, failure);
        QFETCH(int, registrations);
        QFETCH(int, unregistrations);
        QFETCH(QString, line);
        FakeLoginItemService service;
        service.currentStatus = shown;
        service.failure = failure;
        SettingsPage page(&service);
        page.show();
        service.currentStatus = meanwhile;
        if (click) {
            page.autoStartSwitch()->click();
        } else {
            page.hide();
            page.show();
        }
        QCOMPARE(QPair(service.registrations, service.unregistrations),
                 QPair(registrations, unregistrations));
        QCOMPARE(page.statusText(), line);
        QCOMPARE(page.autoStartSwitch()->isChecked(), service.currentStatus == LoginItemService::enabled);
        QCOMPARE(page.errorText(), failure);
        // A later change that works clears the reason.
        service.failure.clear();
        page.autoStartSwitch()->click();
        QVERIFY(page.errorText().isEmpty());
    }

    // The real autostart entry on Linux, where it cannot be written: a file stands where the folder
    // should be (a read-only folder takes the same path, and does not stop root).
    void unwritableAutostartFolder()
    {
        QTemporaryDir dir;
        const QString helper = dir.filePath(QStringLiteral("tidewell-helper"));
        QVERIFY(QFile::copy(QStringLiteral("/bin/true"), helper));
        const QString autostart = dir.filePath(QStringLiteral("autostart"));
        QVERIFY(QFile(autostart).open(QIODevice::WriteOnly));
        XdgAutostartLoginItem service(autostart, helper);
        SettingsPage page(&service);
        page.show();
        Diagnostics::Capture capture;
        page.autoStartSwitch()->click();
        QVERIFY(!page.autoStartSwitch()->isChecked());
        QCOMPARE(page.statusText(), QStringLiteral("Status: Not Registered"));
        QVERIFY2(page.errorText().contains(autostart), qPrintable(page.errorText()));
        auto* error = page.findChild<QLabel*>(QStringLiteral("error"));
        QCOMPARE(error->textFormat(), Qt::PlainText);
        QVERIFY(error->palette().color(QPalette::WindowText).alphaF() < 1);
        QVERIFY(!QFile::exists(service.entryPath()));
        QCOMPARE(capture.lines(), QStringList{QStringLiteral("Error")});
    }

    // Each switch flipped from its default stays flipped in a new run over the same settings file.
    void notificationSwitchesAreKept()
    {
        QTemporaryDir dir;
        FakeLoginItemService service;
        auto run = [&] {
            return std::make_unique<AppState>(
                std::make_unique<QSettings>(dir.filePath(QStringLiteral("s.ini")), QSettings::IniFormat));
        };
        auto switches = [](const SettingsPage& page) {
            return QPair(page.serverNotificationsSwitch()->isChecked(),
                         page.deploymentNotificationsSwitch()->isChecked());
        };
        auto state = run();
        auto page = std::make_unique<SettingsPage>(&service, state.get());
        page->show();
        QCOMPARE(switches(*page), QPair(false, true));
        page->serverNotificationsSwitch()->click();
        page->deploymentNotificationsSwitch()->click();
        page.reset();
        state = run();
        QCOMPARE(QPair(state->notifyServerChanges(), state->notifyDeploymentFinished()), QPair(true, false));
        page = std::make_unique<SettingsPage>(&service, state.get());
        page->show();
        QCOMPARE(switches(*page), QPair(true, false));
    }
};

QTEST_MAIN(SettingsPageTest)
#include "tst_settingspage.moc"
