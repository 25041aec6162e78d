#include "gui/settings/SettingsPage.h"
#include "platform/linux/XdgAutostartLoginItem.h"
#include "state/AppState.h"
#include "support/FakeLoginItemService.h"
#include "support/LogCapture.h"

#include <QAbstractButton>
#include <QFile>
#include <QLabel>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace tidewell;
using namespace tidewell::test;
using namespace Qt::StringLiterals;

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
        QTest::addColumn<QString>("asked"); // an R for each registration, a U for each unregistration
        QTest::addColumn<QString>("status");
        QTest::newRow("shown again: not registered")
            << 1 << 0 << false << u""_s << u""_s << u"Not Registered"_s;
        QTest::newRow("shown again: enabled") << 0 << 1 << false << u""_s << u""_s << u"Enabled"_s;
        QTest::newRow("shown again: requires approval") << 0 << 2 << false << u""_s << u""_s << u"Unknown"_s;
        QTest::newRow("shown again: not found") << 0 << 3 << false << u""_s << u""_s << u"No Found"_s;
        QTest::newRow("shown again: other") << 0 << 7 << false << u""_s << u""_s << u"Unknown"_s;
        QTest::newRow("on registers") << 0 << 0 << true << u""_s << u"R"_s << u"Enabled"_s;
        QTest::newRow("on when already enabled") << 0 << 1 << true << u""_s << u""_s << u"Enabled"_s;
        QTest::newRow("on when waiting for approval") << 2 << 2 << true << u""_s << u"R"_s << u"Enabled"_s;
        QTest::newRow("off unregisters") << 1 << 1 << true << u""_s << u"U"_s << u"Not Registered"_s;
        QTest::newRow("off when not registered") << 1 << 0 << true << u""_s << u""_s << u"Not Registered"_s;
        // The switch goes back to where the service still is, and the reason shows under it.
        QTest::newRow("off fails") << 1 << 1 << true << u"<b>Operation not permitted</b>"_s << u"U"_s
                                   << u"Enabled"_s;
    }

    void switchAndStatusFollowTheService()
    {
        QFETCH(int, shown);
        QFETCH(int, meanwhile);
        QFETCH(bool, click);
        QFETCH(QString, failure);
        QFETCH(QString, status);
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
        QTEST(QString(service.registrations, u'R') + QString(service.unregistrations, u'U'), "asked");
        QCOMPARE(page.statusText(), u"Status: "_s + status);
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
        const QString helper = dir.filePath(u"tidewell-helper"_s);
        QVERIFY(QFile::copy(u"/bin/true"_s, helper));
        const QString autostart = dir.filePath(u"autostart"_s);
        QVERIFY(QFile(autostart).open(QIODevice::WriteOnly));
        XdgAutostartLoginItem service(autostart, helper);
        SettingsPage page(&service);
        page.show();
        LogCapture capture;
        page.autoStartSwitch()->click();
        QCOMPARE(page.statusText(), u"Status: Not Registered"_s);
        QVERIFY2(page.errorText().contains(autostart), qPrintable(page.errorText()));
        auto* error = page.findChild<QLabel*>(u"error"_s);
        QCOMPARE(error->textFormat(), Qt::PlainText);
        QVERIFY(error->palette().color(QPalette::WindowText).alphaF() < 1);
        QVERIFY(!QFile::exists(service.entryPath()));
        // The system's reason, in the window and in the log.
        QCOMPARE(page.errorText(), u"Could not create the folder "_s + autostart + u": Not a directory"_s);
        QCOMPARE(capture.lines(), QStringList{u"Error: "_s + page.errorText()});
    }

    // Each switch flipped from its default stays flipped in a new run over the same settings file.
    void notificationSwitchesAreKept()
    {
        QTemporaryDir dir;
        FakeLoginItemService service;
        for (const bool flipped : {false, true}) {
            AppState state(std::make_unique<QSettings>(dir.filePath(u"s.ini"_s), QSettings::IniFormat));
            QCOMPARE(QPair(state.notifyServerChanges(), state.notifyDeploymentFinished()),
                     QPair(flipped, !flipped));
            SettingsPage page(&service, &state);
            page.show();
            QCOMPARE(page.serverNotificationsSwitch()->isChecked(), flipped);
            QCOMPARE(page.deploymentNotificationsSwitch()->isChecked(), !flipped);
            page.serverNotificationsSwitch()->click();
            page.deploymentNotificationsSwitch()->click();
        }
    }
};

QTEST_MAIN(SettingsPageTest)
#include "tst_settingspage.moc"
