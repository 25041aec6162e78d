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

namespace {

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

// A stand-in helper that leaves a mark beside itself when it runs.
QString makeHelper(const QString& folder, const QString& name)
{
    QDir().mkpath(folder);
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
    void autostartEntry_data();
    void autostartEntry();
    void autostartStatus_data();
    void autostartStatus();
    void launchAgent();
    void mainBundlePath_data();
    void mainBundlePath();
};

void LoginItemTest::autostartEntry_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("helperFolder");
    QTest::addColumn<QString>("exec");
    // <dir> stands for the test's own folder. The helper lies beside the program in a build folder,
    // in libexec/tidewell once installed.
    QTest::newRow("plain") << QStringLiteral("bin") << QStringLiteral("bin")
                           << QStringLiteral("\"<dir>/bin/tidewell-helper\"");
    QTest::newRow("spaces") << QStringLiteral("my apps/bin") << QStringLiteral("my apps/bin")
                            << QStringLiteral("\"<dir>/my apps/bin/tidewell-helper\"");
    QTest::newRow("shell characters")
        << QStringLiteral("d$o\"l`l\\ar") << QStringLiteral("d$o\"l`l\\ar")
        << QStringLiteral("\"<dir>/d\\\\$o\\\\\"l\\\\`l\\\\\\\\ar/tidewell-helper\"");
    QTest::newRow("installed") << QStringLiteral("usr/bin") << QStringLiteral("usr/libexec/tidewell")
                               << QStringLiteral("\"<dir>/usr/libexec/tidewell/tidewell-helper\"");
}

// Through the factory, as the program makes it: the entry lands in $XDG_CONFIG_HOME/autostart
// with the exact text, and the desktop's own launcher runs its Exec line.
void LoginItemTest::autostartEntry()
{
    QFETCH(QString, folder);
    QFETCH(QString, helperFolder);
    QFETCH(QString, exec);
    QTemporaryDir dir;
    const QString programDir = dir.filePath(folder);
    QDir().mkpath(programDir);
    const QString helper = makeHelper(dir.filePath(helperFolder), QStringLiteral("tidewell-helper"));
    qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toUtf8());
    const std::unique_ptr<LoginItemService> item = LoginItemService::create(programDir);
    const QString entry = dir.filePath(QStringLiteral("config/autostart/com.orvane.Tidewell-Helper.desktop"));

    QCOMPARE(item->status(), LoginItemService::notRegistered);
    QVERIFY(item->registerLoginItem());
    QCOMPARE(item->status(), LoginItemService::enabled);
    QCOMPARE(QString::fromUtf8(readFile(entry)),
             QStringLiteral("[Desktop Entry]\n"
                            "Type=Application\n"
                            "Name=Tidewell\n"
                            "Comment=Starts Tidewell at login\n"
                            "Exec=") +
                 QString(exec).replace(QStringLiteral("<dir>"), dir.path()) +
                 QStringLiteral("\n"
                                "Icon=tidewell\n"
                                "Terminal=false\n"
                                "X-GNOME-Autostart-enabled=true\n"));

    if (const QString gio = findProgram(QStringLiteral("gio")); !gio.isEmpty()) {
        QCOMPARE(QProcess::execute(gio, {QStringLiteral("launch"), entry}), 0);
        QTRY_VERIFY(QFile::exists(helper + QStringLiteral(".ran")));
    } else {
        qWarning("gio is not installed: the entry's Exec line was not run");
    }

    QVERIFY(item->unregisterLoginItem());
    QVERIFY(!QFile::exists(entry));
    QCOMPARE(item->status(), LoginItemService::notRegistered);
    QVERIFY(item->unregisterLoginItem());
}

void LoginItemTest::autostartStatus_data()
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

void LoginItemTest::autostartStatus()
{
    QFETCH(QByteArray, entry);
    QFETCH(bool, helperThere);
    QFETCH(int, status);
    QTemporaryDir dir;
    const QString helper = helperThere ? makeHelper(dir.path(), QStringLiteral("tidewell-helper"))
                                       : dir.filePath(QStringLiteral("tidewell-helper"));
    XdgAutostartLoginItem item(dir.filePath(QStringLiteral("autostart")), helper);
    if (!entry.isEmpty()) {
        QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("autostart"))));
        QVERIFY(writeFile(item.entryPath(), entry));
    }
    QCOMPARE(item.status(), status);
    // A missing helper is never registered, whatever the entry says.
    if (!helperThere) {
        QVERIFY(!item.registerLoginItem());
        QCOMPARE(readFile(item.entryPath()), entry);
    }
}

void LoginItemTest::launchAgent()
{
    QTemporaryDir dir;
    const QString helper =
        makeHelper(dir.filePath(QStringLiteral("R&D.app/Contents/MacOS")), QStringLiteral("Helper"));
    LaunchAgentLoginItem item(dir.filePath(QStringLiteral("LaunchAgents")), helper);
    QCOMPARE(item.status(), LoginItemService::notRegistered);
    QVERIFY(item.registerLoginItem());
    QCOMPARE(item.status(), LoginItemService::enabled);
    const QString expected =
        QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                       "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                       "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                       "<plist version=\"1.0\">\n<dict>\n"
                       "\t<key>Label</key>\n\t<string>com.orvane.Tidewell-Helper</string>\n"
                       "\t<key>ProgramArguments</key>\n\t<array>\n\t\t<string>") +
        dir.path() +
        QStringLiteral("/R&amp;D.app/Contents/MacOS/Helper</string>\n\t</array>\n"
                       "\t<key>RunAtLoad</key>\n\t<true/>\n</dict>\n</plist>\n");
    const QString path = dir.filePath(QStringLiteral("LaunchAgents/com.orvane.Tidewell-Helper.plist"));
    QCOMPARE(QString::fromUtf8(readFile(path)), expected);

    // Switched off by hand, the agent reads as not registered.
    QByteArray disabled = readFile(path);
    disabled.replace("</dict>", "\t<key>Disabled</key>\n\t<true/>\n</dict>");
    QVERIFY(writeFile(path, disabled));
    QCOMPARE(item.status(), LoginItemService::notRegistered);

    QVERIFY(item.unregisterLoginItem());
    QVERIFY(!QFile::exists(path));
    QVERIFY(QFile::remove(helper));
    QCOMPARE(item.status(), LoginItemService::notFound);
    QCOMPARE(
        LaunchAgentLoginItem::helperInBundle(QStringLiteral("/Applications/Tidewell.app/Contents/MacOS")),
        QStringLiteral("/Applications/Tidewell.app/Contents/Library/LoginItems/TidewellHelper.app/Contents/"
                       "MacOS/TidewellHelper"));
}

void LoginItemTest::mainBundlePath_data()
{
    QTest::addColumn<QString>("helperBundle");
    QTest::addColumn<QString>("mainBundle");
    QTest::newRow("installed")
        << QStringLiteral("/Applications/Tidewell.app/Contents/Library/LoginItems/TidewellHelper.app")
        << QStringLiteral("/Applications/Tidewell.app");
    QTest::newRow("moved")
        << QStringLiteral("/Users/me/Apps/Tidewell 2.app/Contents/Library/LoginItems/TidewellHelper.app/")
        << QStringLiteral("/Users/me/Apps/Tidewell 2.app");
    QTest::newRow("not in a bundle") << QStringLiteral("/opt/TidewellHelper.app") << QString();
}

void LoginItemTest::mainBundlePath()
{
    QFETCH(QString, helperBundle);
    QFETCH(QString, mainBundle);
    const Result<QString> path = BundleLauncher::mainBundlePath(helperBundle);
    QCOMPARE(path.ok(), !mainBundle.isEmpty());
    if (path)
        QCOMPARE(path.value(), mainBundle);
    else
        QVERIFY(path.error().contains(helperBundle));
}

QTEST_GUILESS_MAIN(LoginItemTest)
#include "tst_loginitem.moc"
