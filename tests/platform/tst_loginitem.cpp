#include "platform/LoginItemService.h"
#include "platform/linux/XdgAutostartLoginItem.h"
#include "platform/macos/BundleLauncher.h"
#include "platform/macos/LaunchAgentLoginItem.h"
#include "support/TestProcesses.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace tidewell;
using namespace tidewell::test;
using namespace Qt::StringLiterals;

namespace {

// A stand-in helper that leaves a mark beside itself when it runs.
QString makeHelper(const QString& folder, const QString& name)
{
    const QString path = QDir(folder).filePath(name);
    writeFile(path, "#!/bin/sh\n: > \"$0.ran\"\n");
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return path;
}

} // namespace

class LoginItemTest : public QObject
{
    Q_OBJECT
private slots:
    void autostartEntry_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("helperFolder");
        QTest::addColumn<QString>("exec");
        // <dir> stands for the test's own folder. The helper lies beside the program in a build folder,
        // in libexec/tidewell once installed.
        QTest::newRow("spaces and shell characters")
            << u"my d$o\"l`l\\ar"_s << u"my d$o\"l`l\\ar"_s
            << u"\"<dir>/my d\\\\$o\\\\\"l\\\\`l\\\\\\\\ar/tidewell-helper\""_s;
        QTest::newRow("installed") << u"usr/bin"_s << u"usr/libexec/tidewell"_s
                                   << u"\"<dir>/usr/libexec/tidewell/tidewell-helper\""_s;
    }

    // Through the factory: the entry lands in $XDG_CONFIG_HOME/autostart, and the desktop's launcher runs it.
    void autostartEntry()
    {
        QFETCH(QString, folder);
        QFETCH(QString, helperFolder);
        QFETCH(QString, exec);
        QTemporaryDir dir;
        const QString programDir = dir.filePath(folder);
        QDir().mkpath(programDir);
        const QString helper = makeHelper(dir.filePath(helperFolder), u"tidewell-helper"_s);
        qputenv("XDG_CONFIG_HOME", dir.filePath(u"config"_s).toUtf8());
        const std::unique_ptr<LoginItemService> item = LoginItemService::create(programDir);
        const QString entry = dir.filePath(u"config/autostart/com.orvane.Tidewell-Helper.desktop"_s);

        QCOMPARE(item->status(), LoginItemService::notRegistered);
        QVERIFY(item->registerLoginItem());
        QCOMPARE(item->status(), LoginItemService::enabled);
        QCOMPARE(
            QString::fromUtf8(fileContent(entry)),
            u"[Desktop Entry]\nType=Application\nName=Tidewell\nComment=Starts Tidewell at login\nExec="_s +
                exec.replace(u"<dir>"_s, dir.path()) +
                u"\nIcon=tidewell\nTerminal=false\nX-GNOME-Autostart-enabled=true\n"_s);

        if (const QString gio = findProgram(u"gio"_s); !gio.isEmpty()) {
            QCOMPARE(QProcess::execute(gio, {u"launch"_s, entry}), 0);
            QTRY_VERIFY(QFile::exists(helper + u".ran"_s));
        } else {
            qWarning("gio is not installed: the entry's Exec line was not run");
        }

        QVERIFY(item->unregisterLoginItem());
        QVERIFY(!QFile::exists(entry));
        QCOMPARE(item->status(), LoginItemService::notRegistered);
        QVERIFY(item->unregisterLoginItem());
    }

    void autostartStatus_data()
    {
        QTest::addColumn<QByteArray>("entry");
        QTest::addColumn<bool>("helperThere");
        QTest::addColumn<int>("status");
        const QByteArray head = "[Desktop Entry]\nType=Application\nExec=tidewell-helper\n";
        QTest::newRow("no entry") << QByteArray() << true << 0;
        QTest::newRow("entry") << head << true << 1;
        QTest::newRow("hidden by hand") << head + "Hidden=true\n" << true << 0;
        QTest::newRow("disabled in GNOME") << head + "X-GNOME-Autostart-enabled=false\n" << true << 0;
        QTest::newRow("hidden in an action") << head + "[Desktop Action x]\nHidden=true\n" << true << 1;
        QTest::newRow("helper missing") << head << false << 3;
    }

    void autostartStatus()
    {
        QFETCH(QByteArray, entry);
        QFETCH(bool, helperThere);
        QTemporaryDir dir;
        const QString helper =
            helperThere ? makeHelper(dir.path(), u"tidewell-helper"_s) : dir.filePath(u"tidewell-helper"_s);
        XdgAutostartLoginItem item(dir.filePath(u"autostart"_s), helper);
        QVERIFY(entry.isEmpty() || writeFile(item.entryPath(), entry));
        QTEST(item.status(), "status");
        // A missing helper is never registered, whatever the entry says.
        if (!helperThere) {
            QVERIFY(!item.registerLoginItem());
            QCOMPARE(fileContent(item.entryPath()), entry);
        }
    }

    void launchAgent()
    {
        QTemporaryDir dir;
        const QString helper = makeHelper(dir.filePath(u"R&D.app/Contents/MacOS"_s), u"Helper"_s);
        LaunchAgentLoginItem item(dir.filePath(u"LaunchAgents"_s), helper);
        QCOMPARE(item.status(), LoginItemService::notRegistered);
        QVERIFY(item.registerLoginItem());
        QCOMPARE(item.status(), LoginItemService::enabled);
        const QString path = dir.filePath(u"LaunchAgents/com.orvane.Tidewell-Helper.plist"_s);
        // launchd reads the property list, not its layout: Python's reader stands in for it.
        const QString read = u"import plistlib, sys; print(plistlib.load(open(sys.argv[1], 'rb')))"_s;
        QCOMPARE(runProgram(python3(), {u"-c"_s, read, path}).out,
                 "{'Label': 'com.orvane.Tidewell-Helper', 'ProgramArguments': ['" + dir.path().toUtf8() +
                     "/R&D.app/Contents/MacOS/Helper'], 'RunAtLoad': True}\n");

        // Switched off by hand, the agent reads as not registered.
        QVERIFY(writeFile(path,
                          fileContent(path).replace("</dict>", "\t<key>Disabled</key>\n\t<true/>\n</dict>")));
        QCOMPARE(item.status(), LoginItemService::notRegistered);

        QVERIFY(item.unregisterLoginItem());
        QVERIFY(!QFile::exists(path));
        QVERIFY(QFile::remove(helper));
        QCOMPARE(item.status(), LoginItemService::notFound);
        QCOMPARE(LaunchAgentLoginItem::helperInBundle(u"/Applications/Tidewell.app/Contents/MacOS"_s),
                 u"/Applications/Tidewell.app/Contents/Library/LoginItems/TidewellHelper.app/Contents/MacOS/"
                 "TidewellHelper"_s);
    }

    void mainBundlePath_data()
    {
        QTest::addColumn<QString>("helperBundle");
        QTest::addColumn<QString>("mainBundle");
        QTest::newRow("installed")
            << u"/Applications/Tidewell.app/Contents/Library/LoginItems/TidewellHelper.app"_s
            << u"/Applications/Tidewell.app"_s;
        QTest::newRow("moved")
            << u"/Users/me/Apps/Tidewell 2.app/Contents/Library/LoginItems/TidewellHelper.app/"_s
            << u"/Users/me/Apps/Tidewell 2.app"_s;
        QTest::newRow("not in a bundle") << u"/opt/TidewellHelper.app"_s << QString();
    }

    void mainBundlePath()
    {
        QFETCH(QString, helperBundle);
        QFETCH(QString, mainBundle);
        const Result<QString> path = BundleLauncher::mainBundlePath(helperBundle);
        QCOMPARE(path ? path.value() : QString(), mainBundle);
        QVERIFY(path || path.error().contains(helperBundle));
    }
};

QTEST_GUILESS_MAIN(LoginItemTest)
#include "tst_loginitem.moc"
