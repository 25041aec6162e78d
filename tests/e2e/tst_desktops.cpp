#include "support/HeadlessCompositor.h"
#include "support/PrivateSessionBus.h"
#include "support/TestProcesses.h"
#include "support/VirtualDisplay.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QRasterWindow>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <optional>

using namespace tidewell::test;
using namespace Qt::StringLiterals;

namespace {

const QSize kScreenSize(1024, 768);
// Generous: a loaded machine may take seconds for what an idle one does at once.
constexpr int kWaitMs = 20000;
// The Python that python3-dbus and python3-gi install into.
const QString kSystemPython = u"/usr/bin/python3"_s;

// The value after `key ` on the last line of `output` that starts with it.
std::optional<QString> lastValue(const QByteArray& output, const QByteArray& key)
{
    std::optional<QString> found;
    for (const QByteArray& line : output.split('\n')) {
        if (line.startsWith(key + ' '))
            found = QString::fromUtf8(line.mid(key.size() + 1));
    }
    return found;
}

} // namespace

// Tidewell on the desktops that host their tray icons as StatusNotifierItems over D-Bus: on X11 (as
// KDE Plasma and GNOME's AppIndicator extension do) and on Wayland under sway (as waybar does). Each
// case has its own session bus with a StatusNotifierWatcher that reads the item as a panel does, its
// own display or compositor, and its own home; it acts on nothing else.
class DesktopsTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        for (const QString& tool : u"Xvfb xdotool stdbuf dbus-daemon sway swaymsg wtype"_s.split(u' ')) {
            if (findProgram(tool).isEmpty())
                QSKIP(qPrintable(u"%1 is not installed (scripts/install-deps.sh installs it)"_s.arg(tool)));
        }
        QProcess check;
        check.start(kSystemPython, {u"-c"_s, u"import dbus, gi"_s});
        if (!check.waitForFinished(kWaitMs) || check.exitCode() != 0)
            QSKIP("python3-dbus and python3-gi are not installed (scripts/install-deps.sh installs them)");
    }

    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        const QString runtimeDir = m_home->filePath(u"run"_s);
        QVERIFY(QDir().mkpath(runtimeDir));
        QFile::setPermissions(runtimeDir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_bus = std::make_unique<PrivateSessionBus>();
        QVERIFY(!m_bus->address().isEmpty());
        m_environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORMTHEME", "XDG_CURRENT_DESKTOP"})
            m_environment.remove(QString::fromLatin1(name));
        m_environment.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, m_bus->address());
        m_environment.insert(u"XDG_RUNTIME_DIR"_s, runtimeDir);
        m_environment.insert(u"HOME"_s, m_home->path());
        // The trace lines the test follows are debug lines.
        m_environment.insert(u"QT_LOGGING_RULES"_s, u"tidewell.*.debug=true"_s);
        m_environment.insert(u"XDG_CONFIG_HOME"_s, m_home->filePath(u".config"_s));
        // No icon theme at all unless a case gives one, so an installed Tidewell changes nothing.
        m_environment.insert(u"XDG_DATA_DIRS"_s, m_home->filePath(u"empty-share"_s));
        m_connection = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(m_bus->address(), QString::number(++m_connections)));
        QVERIFY(m_connection->isConnected());
        QVERIFY(startWatcher());
    }

    void cleanup()
    {
        m_tidewell.reset();
        m_portal.reset();
        m_other.reset();
        m_watcher.reset();
        m_connection.reset();
        m_bus.reset();
        m_compositor.reset();
        m_display.reset();
        m_home.reset();
    }

    // The item registers with a menu of four entries, each of which does what it says; Activate drops
    // the window down where the pointer is, and again closes it; a panel that restarts gets the item
    // back; when no panel remains, the window opens by itself.
    void statusNotifierItemOnX11()
    {
        m_display = std::make_unique<VirtualDisplay>(kScreenSize);
        QVERIFY(!m_display->display().isEmpty());
        m_environment.insert(u"DISPLAY"_s, m_display->display());
        m_environment.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
        // The desktop prefers dark, through the portal, before Tidewell starts.
        m_portal = std::make_unique<ChildProcess>(
            kSystemPython,
            QStringList{QStringLiteral(TIDEWELL_TEST_DATA_DIR "/appearance_portal.py"), u"1"_s}, QString(),
            m_environment);
        QVERIFY(m_portal->waitUntilReady(kWaitMs));
        m_tidewell = startTidewell();
        const QString item = waitForItem();
        QVERIFY(!item.isEmpty());
        // No theme here has the symbolic icon: the panel is given pictures, light on the dark desktop.
        QCOMPARE(lastValue(m_watcher->output(), "icon"), QString());
        QTRY_VERIFY_WITH_TIMEOUT(lastValue(m_watcher->output(), "icon-ink").value_or(u"0"_s).toDouble() > 0.7,
                                 kWaitMs);
        // A panel at the top: the pointer rests on it when the item is clicked.
        const QPoint pointer(700, 6);
        xdotool(u"mousemove %1 %2"_s.arg(pointer.x()).arg(pointer.y()));
        activate(item);
        QTRY_VERIFY_WITH_TIMEOUT(m_tidewell->count("state.isVisible true") == 1, kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(xWindow().has_value(), kWaitMs);
        const QRect window = *xWindow();
        QVERIFY2(window.top() > pointer.y() && window.top() < pointer.y() + 40,
                 qPrintable(u"%1,%2"_s.arg(window.x()).arg(window.y())));
        QVERIFY2(qAbs(window.center().x() - pointer.x()) <= 2,
                 qPrintable(QString::number(window.center().x())));
        // Dark while the desktop prefers dark; light, without a restart, once it switches.
        const QPoint background = window.bottomLeft() + QPoint(3, -3);
        QTRY_VERIFY_WITH_TIMEOUT(lightness(background, u"dark"_s).value_or(255) < 80, kWaitMs);
        m_portal->process().write("2\n");
        QTRY_VERIFY_WITH_TIMEOUT(lightness(background, u"light"_s).value_or(0) > 180, kWaitMs);
        activate(item);
        QTRY_VERIFY_WITH_TIMEOUT(m_tidewell->count("state.isVisible false") == 1, kWaitMs);
        // The menu's entries, clicked as a panel clicks them (DBusMenu's "clicked" event on the entry's
        // id). Nothing is listed while the window is closed (tst_appmenu), so Refresh finds this server.
        auto server = startListener({u"--name"_s, u"node"_s});
        QVERIFY(server->waitUntilReady());
        click(item, 1);
        QTRY_VERIFY_WITH_TIMEOUT(
            m_tidewell->output().contains("Getting process info " + QByteArray::number(server->pid())),
            kWaitMs);
        QCOMPARE(m_tidewell->count("state.isVisible true"), 1);
        click(item, 2);
        QTRY_VERIFY_WITH_TIMEOUT(m_tidewell->count("state.isVisible true") == 2, kWaitMs);
        QVERIFY(m_tidewell->output().contains("state.selectedView settings"));
        activate(item);
        QTRY_VERIFY_WITH_TIMEOUT(m_tidewell->count("state.isVisible false") == 2, kWaitMs);
        // The panel crashes and starts again: the item registers with the new watcher.
        QVERIFY(startWatcher());
        QVERIFY(!waitForItem().isEmpty());
        // The panel goes for good: after a few seconds the window opens by itself, an ordinary one.
        m_watcher.reset();
        QTRY_VERIFY_WITH_TIMEOUT(m_tidewell->count("state.isVisible true") == 3, kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(xWindow().has_value(), kWaitMs);
        // A panel that comes back gets the icon again, which closes the window without ending the
        // program and opens it again.
        QVERIFY(startWatcher());
        const QString again = waitForItem();
        QVERIFY(!again.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(m_tidewell->output().contains("A tray is back"), kWaitMs);
        activate(again);
        QTRY_VERIFY_WITH_TIMEOUT(m_tidewell->count("state.isVisible false") == 3, kWaitMs);
        click(again, 0);
        QTRY_VERIFY_WITH_TIMEOUT(m_tidewell->count("state.isVisible true") == 4, kWaitMs);
        click(again, 3);
        QTRY_VERIFY_WITH_TIMEOUT(m_tidewell->process().state() == QProcess::NotRunning, kWaitMs);
        QCOMPARE(m_tidewell->process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_tidewell->process().exitCode(), 0);
    }

    // Under a Wayland compositor the window is an ordinary decorated one titled "Tidewell": it stays
    // open when another client takes the focus, closes on Escape, and its close button hides it without
    // ending the program. The panel is given the symbolic icon's name, installed where themes are read.
    void windowOnWayland()
    {
        const QString icons = m_home->filePath(u"share/icons/hicolor/scalable/apps"_s);
        QVERIFY(QDir().mkpath(icons));
        QVERIFY(QFile::copy(QStringLiteral(TIDEWELL_SOURCE_DIR "/packaging/tidewell-symbolic.svg"),
                            icons + u"/tidewell-symbolic.svg"_s));
        // The system's folder brings the hicolor theme's index, which every icon theme falls back on.
        m_environment.insert(u"XDG_DATA_DIRS"_s, m_home->filePath(u"share"_s) + u":/usr/share"_s);
        m_compositor = std::make_unique<HeadlessCompositor>(kScreenSize);
        QVERIFY(!m_compositor->socket().isEmpty());
        m_environment.insert(u"WAYLAND_DISPLAY"_s, m_compositor->socket());
        m_environment.insert(u"SWAYSOCK"_s, m_compositor->ipcSocket());
        m_environment.insert(u"QT_QPA_PLATFORM"_s, u"wayland"_s);
        m_tidewell = startTidewell();
        const QString item = waitForItem();
        QVERIFY(!item.isEmpty());
        QCOMPARE(lastValue(m_watcher->output(), "icon"), u"tidewell-symbolic"_s);
        activate(item);
        QTRY_VERIFY_WITH_TIMEOUT(m_tidewell->count("state.isVisible true") == 1, kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(sway(u"Tidewell"_s), kWaitMs);
        m_other = std::make_unique<ChildProcess>(QCoreApplication::applicationFilePath(),
                                                 QStringList{u"--client"_s}, QString(), m_environment);
        QTRY_VERIFY_WITH_TIMEOUT(sway(u"Another client"_s), kWaitMs);
        // Given the focus back, it is still open: the focus it lost did not close it.
        run(u"swaymsg"_s, {u"[title=\"^Tidewell$\"] focus"_s});
        QTRY_VERIFY_WITH_TIMEOUT(sway(u"Tidewell"_s), kWaitMs);
        QCOMPARE(m_tidewell->count("state.isVisible false"), 0);
        run(u"wtype"_s, {u"-k"_s, u"Escape"_s});
        QTRY_VERIFY_WITH_TIMEOUT(m_tidewell->count("state.isVisible false") == 1, kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(!sway(u"Tidewell"_s, true), kWaitMs);
        // The window manager's close (its button, or a key bound to close) only hides it.
        activate(item);
        QTRY_VERIFY_WITH_TIMEOUT(m_tidewell->count("state.isVisible true") == 2, kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(sway(u"Tidewell"_s, true), kWaitMs);
        run(u"swaymsg"_s, {u"[title=\"^Tidewell$\"] kill"_s});
        QTRY_VERIFY_WITH_TIMEOUT(m_tidewell->count("state.isVisible false") == 2, kWaitMs);
        activate(item); // still there to open it again
        QTRY_VERIFY_WITH_TIMEOUT(m_tidewell->count("state.isVisible true") == 3, kWaitMs);
    }

private:
    // A new panel's watcher, once the one before has gone; false when it never says it is ready.
    bool startWatcher()
    {
        m_watcher.reset();
        m_watcher = std::make_unique<ChildProcess>(
            kSystemPython, QStringList{QStringLiteral(TIDEWELL_TEST_DATA_DIR "/status_notifier_watcher.py")},
            QString(), m_environment);
        return m_watcher->waitUntilReady(kWaitMs);
    }
    // Line-buffered as on a terminal, so that every line arrives when it is printed.
    std::unique_ptr<ChildProcess> startTidewell() const
    {
        return std::make_unique<ChildProcess>(findProgram(u"stdbuf"_s),
                                              QStringList{u"-oL"_s, QStringLiteral(TIDEWELL_PROGRAM)},
                                              QString(), m_environment, QProcess::MergedChannels);
    }
    // The bus name of the item once the watcher has read its menu, which must hold the four entries;
    // empty when it never registered.
    QString waitForItem() const
    {
        const auto entries = [this] { return lastValue(m_watcher->output(), "entries"); };
        if (QTest::qWaitFor([&] { return entries().has_value(); }, kWaitMs) &&
            entries() == u"Open Tidewell|Refresh|Settings…|Quit"_s)
            return lastValue(m_watcher->output(), "registered").value_or(QString());
        qWarning("watcher: %s", m_watcher->output().constData());
        return {};
    }
    // What a panel does when the icon is clicked.
    void activate(const QString& item) const
    {
        call(QDBusMessage::createMethodCall(item, u"/StatusNotifierItem"_s, u"org.kde.StatusNotifierItem"_s,
                                            u"Activate"_s)
             << 0 << 0);
    }
    // What a panel does when the entry at `index` of the item's menu is clicked.
    void click(const QString& item, int index) const
    {
        const QByteArray output = m_watcher->output();
        const QString id = lastValue(output, "entry-ids").value_or(QString()).split(u'|').value(index);
        call(QDBusMessage::createMethodCall(item, lastValue(output, "menu").value_or(QString()),
                                            u"com.canonical.dbusmenu"_s, u"Event"_s)
             << id.toInt() << u"clicked"_s << QVariant::fromValue(QDBusVariant(0)) << 0u);
    }
    void call(const QDBusMessage& message) const
    {
        const QDBusMessage reply = m_connection->call(message, QDBus::Block, kWaitMs);
        QVERIFY2(reply.type() == QDBusMessage::ReplyMessage, qPrintable(reply.errorMessage()));
    }
    // How light the screen is at `point` (0 to 255), nullopt when it could not be taken; the screen is
    // kept as e2e-desktops-NAME.png.
    std::optional<int> lightness(QPoint point, const QString& name) const
    {
        const QString path = QStringLiteral(TIDEWELL_SCREENSHOT_DIR "/e2e-desktops-%1.png").arg(name);
        if (!run(QCoreApplication::applicationFilePath(), {u"--grab"_s, path}))
            return std::nullopt;
        return QImage(path).pixelColor(point).lightness();
    }
    // The tool's standard output, trimmed; nullopt when it failed.
    std::optional<QString> run(const QString& tool, const QStringList& arguments) const
    {
        QProcess process;
        process.setProcessEnvironment(m_environment);
        process.start(findProgram(tool), arguments);
        if (!process.waitForFinished(kWaitMs) || process.exitStatus() != QProcess::NormalExit ||
            process.exitCode() != 0)
            return std::nullopt;
        return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    }
    QString xdotool(const QString& arguments) const
    {
        return run(u"xdotool"_s, arguments.split(u' ')).value_or(QString());
    }
    // The program's window on X11: mapped and named "Tidewell" (its tray icon is the panel's).
    std::optional<QRect> xWindow() const
    {
        for (const QString& id :
             xdotool(u"search --onlyvisible --class tidewell"_s).split(u'\n', Qt::SkipEmptyParts)) {
            QHash<QString, int> values;
            for (const QString& line : xdotool(u"getwindowgeometry --shell "_s + id).split(u'\n'))
                values[line.section(u'=', 0, 0)] = line.section(u'=', 1).toInt();
            const QRect geometry(values.value(u"X"_s), values.value(u"Y"_s), values.value(u"WIDTH"_s),
                                 values.value(u"HEIGHT"_s));
            if (geometry.isValid() && xdotool(u"getwindowname "_s + id) == "Tidewell"_L1)
                return geometry;
        }
        return std::nullopt;
    }
    // Whether sway has a window titled `title` and, unless `anyFocus`, whether it has the focus.
    bool sway(const QString& title, bool anyFocus = false) const
    {
        const QString focus = anyFocus ? QString() : u" con_id=__focused__"_s;
        return run(u"swaymsg"_s, {u"[title=\"^%1$\"%2] nop"_s.arg(title, focus)}).has_value();
    }

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<PrivateSessionBus> m_bus;
    std::unique_ptr<VirtualDisplay> m_display;
    std::unique_ptr<HeadlessCompositor> m_compositor;
    std::unique_ptr<QDBusConnection> m_connection;
    int m_connections = 0;
    QProcessEnvironment m_environment;
    std::unique_ptr<ChildProcess> m_watcher;
    std::unique_ptr<ChildProcess> m_portal;
    std::unique_ptr<ChildProcess> m_tidewell;
    std::unique_ptr<ChildProcess> m_other;
};

int main(int argc, char** argv)
{
    // Another Wayland client that connects while the window is open, run from this same program.
    if (argc == 2 && qstrcmp(argv[1], "--client") == 0) {
        QGuiApplication app(argc, argv);
        QRasterWindow window;
        window.setTitle(u"Another client"_s);
        window.resize(300, 200);
        window.show();
        return app.exec();
    }
    // Screenshots are taken by a run of this program on the test's display.
    if (argc == 3 && qstrcmp(argv[1], "--grab") == 0) {
        QGuiApplication app(argc, argv);
        QScreen* screen = QGuiApplication::primaryScreen();
        return screen && screen->grabWindow(0).save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
    }
    QCoreApplication app(argc, argv);
    DesktopsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_desktops.moc"
