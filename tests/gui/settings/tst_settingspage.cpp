#include "gui/settings/SettingsPage.h"
#include "platform/Diagnostics.h"
#include "platform/linux/XdgAutostartLoginItem.h"
#include "support/FakeLoginItemService.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

using namespace tidewell;
using namespace tidewell::test;

class SettingsPageTest : public QObject
{
    Q_OBJECT
private slots:
    void statusIsReadAtEveryShowing_data();
    void statusIsReadAtEveryShowing();
    void switchChangesOnlyWhatDiffers_data();
    void switchChangesOnlyWhatDiffers();
    void failedChangePutsTheSwitchBack();
    void unwritableAutostartFolder_data();
    void unwritableAutostartFolder();
};

void SettingsPageTest::statusIsReadAtEveryShowing_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("line");
    QTest::newRow("not registered") << 0 << QStringLiteral("Status: Not Registered");
    QTest::newRow("enabled") << 1 << QStringLiteral("Status: Enabled");
    QTest::newRow("requires approval") << 2 << QStringLiteral("Status: Unknown");
    QTest::newRow("not found") << 3 << QStringLiteral("Status: No Found");
    QTest::newRow("other") << 7 << QStringLiteral("Status: Unknown");
}

void SettingsPageTest::statusIsReadAtEveryShowing()
{
    QFETCH(int, status);
    QFETCH(QString, line);
    FakeLoginItemService service;
    SettingsPage page(&service);
    page.show();
    QCOMPARE(page.statusText(), QStringLiteral("Status: Not Registered"));
    QVERIFY(!page.autoStartSwitch()->isChecked());
    QVERIFY(page.findChild<QLabel*>(QStringLiteral("autoStartLabel"))->text() ==
            QStringLiteral("Auto Start"));

    // Changed in the desktop's settings while the page was away.
    page.hide();
    service.currentStatus = status;
    page.show();
    QCOMPARE(page.statusText(), line);
    QCOMPARE(page.autoStartSwitch()->isChecked(), status == LoginItemService::enabled);
    QCOMPARE(service.registrations + service.unregistrations, 0);
}

void SettingsPageTest::switchChangesOnlyWhatDiffers_data()
{
    QTest::addColumn<int>("shown");
    QTest::addColumn<int>("meanwhile");
    QTest::addColumn<int>("registrations");
    QTest::addColumn<int>("unregistrations");
    QTest::addColumn<QString>("line");
    QTest::newRow("on registers") << 0 << 0 << 1 << 0 << QStringLiteral("Status: Enabled");
    QTest::newRow("on when already enabled") << 0 << 1 << 0 << 0 << QStringLiteral("Status: Enabled");
    QTest::newRow("on when waiting for approval") << 2 << 2 << 1 << 0 << QStringLiteral("Status: Enabled");
    QTest::newRow("off unregisters") << 1 << 1 << 0 << 1 << QStringLiteral("Status: Not Registered");
    QTest::newRow("off when not registered") << 1 << 0 << 0 << 0 << QStringLiteral("Status: Not Registered");
}

void SettingsPageTest::switchChangesOnlyWhatDiffers()
{
    QFETCH(int, shown);
    QFETCH(int, meanwhile);
    QFETCH(int, registrations);
    QFETCH(int, unregistrations);
    QFETCH(QString, line);
    FakeLoginItemService service;
    service.currentStatus = shown;
    SettingsPage page(&service);
    page.show();
    service.currentStatus = meanwhile;
    page.autoStartSwitch()->click();
    QCOMPARE(service.registrations, registrations);
    QCOMPARE(service.unregistrations, unregistrations);
    QCOMPARE(page.statusText(), line);
    QCOMPARE(page.autoStartSwitch()->isChecked(), service.currentStatus == LoginItemService::enabled);
    QVERIFY(page.errorText().isEmpty());
}

void SettingsPageTest::failedChangePutsTheSwitchBack()
{
    FakeLoginItemService service;
    service.currentStatus = LoginItemService::enabled;
    service.failure = QStringLiteral("<b>Operation not permitted</b>");
    SettingsPage page(&service);
    page.show();
    Diagnostics::Capture capture;
    page.autoStartSwitch()->click();
    QCOMPARE(service.unregistrations, 1);
    QVERIFY(page.autoStartSwitch()->isChecked());
    QCOMPARE(page.statusText(), QStringLiteral("Status: Enabled"));
    QCOMPARE(page.errorText(), service.failure);
    auto* error = page.findChild<QLabel*>(QStringLiteral("error"));
    QCOMPARE(error->textFormat(), Qt::PlainText);
    QVERIFY(error->palette().color(QPalette::WindowText).alphaF() < 1);
    QCOMPARE(capture.lines(), QStringList{QStringLiteral("Error")});

    // The next try that works, or the next showing, clears the reason.
    service.failure.clear();
    page.autoStartSwitch()->click();
    QVERIFY(!page.autoStartSwitch()->isChecked());
    QVERIFY(page.errorText().isEmpty());
}

void SettingsPageTest::unwritableAutostartFolder_data()
{
    QTest::addColumn<bool>("takenByAFile");
    QTest::newRow("read-only folder") << false;
    QTest::newRow("folder taken by a file") << true;
}

// The real autostart entry on Linux, where the user cannot write it.
void SettingsPageTest::unwritableAutostartFolder()
{
    QFETCH(bool, takenByAFile);
    QTemporaryDir dir;
    const QString helper = dir.filePath(QStringLiteral("tidewell-helper"));
    QVERIFY(QFile::copy(QStringLiteral("/bin/true"), helper));
    const QString autostart = dir.filePath(QStringLiteral("autostart"));
    if (takenByAFile) {
        QFile file(autostart);
        QVERIFY(file.open(QIODevice::WriteOnly));
    } else {
        QVERIFY(QDir().mkpath(autostart));
        QVERIFY(QFile::setPermissions(autostart, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        QFile probe(QDir(autostart).filePath(QStringLiteral("probe")));
        if (probe.open(QIODevice::WriteOnly)) {
            probe.remove();
            QSKIP("this user writes into read-only folders (root); the other row covers the failure");
        }
    }
    XdgAutostartLoginItem service(autostart, helper);
    SettingsPage page(&service);
    page.show();
    QCOMPARE(page.statusText(), QStringLiteral("Status: Not Registered"));
    Diagnostics::Capture capture;
    page.autoStartSwitch()->click();
    QVERIFY(!page.autoStartSwitch()->isChecked());
    QCOMPARE(page.statusText(), QStringLiteral("Status: Not Registered"));
    QVERIFY2(page.errorText().contains(autostart), qPrintable(page.errorText()));
    QVERIFY(!QFile::exists(service.entryPath()));
    QCOMPARE(capture.lines(), QStringList{QStringLiteral("Error")});
    QFile::setPermissions(autostart,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

QTEST_MAIN(SettingsPageTest)
#include "tst_settingspage.moc"
