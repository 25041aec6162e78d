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
    QTest::addColumn<QString>("failure");
    QTest::addColumn<int>("registrations");
    QTest::addColumn<int>("unregistrations");
    QTest::addColumn<QString>("line");
    QTest::newRow("on registers") << 0 << 0 << QString() << 1 << 0 << QStringLiteral("Status: Enabled");
    QTest::newRow("on when already enabled")
        << 0 << 1 << QString() << 0 << 0 << QStringLiteral("Status: Enabled");
    QTest::newRow("on when waiting for approval")
        << 2 << 2 << QString() << 1 << 0 << QStringLiteral("Status: Enabled");
    QTest::newRow("off unregisters") << 1 << 1 << QString() << 0 << 1
                                     << QStringLiteral("Status: Not Registered");
    QTest::newRow("off when not registered")
        << 1 << 0 << QString() << 0 << 0 << QStringLiteral("Status: Not Registered");
    // The switch goes back to where the service still is, and the reason shows under it.
    QTest::newRow("off fails") << 1 << 1 << QStringLiteral("<b>Operation not permitted</b>") << 0 << 1
                               << QStringLiteral("Status: Enabled");
}

void SettingsPageTest::switchChangesOnlyWhatDiffers()
{
    QFETCH(int, shown);
    QFETCH(int, meanwhile);
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
    page.autoStartSwitch()->click();
    QCOMPARE(service.registrations, registrations);
    QCOMPARE(service.unregistrations, unregistrations);
    QCOMPARE(page.statusText(), line);
    QCOMPARE(page.autoStartSwitch()->isChecked(), service.currentStatus == LoginItemService::enabled);
    QCOMPARE(page.errorText(), failure);
    // A later change that works clears the reason.
    service.failure.clear();
    page.autoStartSwitch()->click();
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
    auto* error = page.findChild<QLabel*>(QStringLiteral("error"));
    QCOMPARE(error->textFormat(), Qt::PlainText);
    QVERIFY(error->palette().color(QPalette::WindowText).alphaF() < 1);
    QVERIFY(!QFile::exists(service.entryPath()));
    QCOMPARE(capture.lines(), QStringList{QStringLiteral("Error")});
    QFile::setPermissions(autostart,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

QTEST_MAIN(SettingsPageTest)
#include "tst_settingspage.moc"
