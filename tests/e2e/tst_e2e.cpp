#include "support/TestProcesses.h"
#include "support/VirtualDisplay.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <optional>
#include <unistd.h>

using namespace tidewell::test;
using namespace Qt::StringLiterals;

namespace {

const QSize kScreenSize(1024, 768);
const QRect kScreen(QPoint(0, 0), kScreenSize);
// A spot away from the tray and from where the window drops down.
const QPoint kOutside(20, 748);
// Generous: a loaded machine may take seconds for what an idle one does at once.
constexpr int kWaitMs = 20000;

// The program's mapped windows: its icon in trayer's panel (which the test made 24 high), the window
// that drops down under the panel, and the details, which open lower, beside a row.
struct Windows
{
    std::optional<QRect> icon;
    std::optional<QRect> menu;
    QList<QRect> details;
};

} // namespace

// Each case starts with a home of its own, a server already listening, and tidewell with its window
// opened by a click on the icon. Servers and tidewell share a network of their own, so the window
// lists only the test's servers and a click on a row can only reach a process the test started.
class EndToEndTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        for (const QString& tool : u"Xvfb trayer xdotool stdbuf python3 unshare nsenter ip"_s.split(u' ')) {
            if (findProgram(tool).isEmpty())
                QSKIP(qPrintable(u"%1 is not installed (scripts/install-deps.sh installs it)"_s.arg(tool)));
        }
        if (geteuid() != 0)
            QSKIP("a network of the test's own (unshare --net) needs root; without it the window would list, "
                  "and the test could click, servers the test did not start");
        m_network = std::make_unique<ChildProcess>(
            findProgram(u"unshare"_s),
            QStringList{u"--net"_s, u"--"_s, u"/bin/sh"_s, u"-c"_s,
                        u"ip link set lo up && echo ready && exec sleep 100000"_s});
        QVERIFY(m_network->waitUntilReady(kWaitMs));
        m_display = std::make_unique<VirtualDisplay>(kScreenSize);
        QVERIFY(!m_display->display().isEmpty());
        m_environment = QProcessEnvironment::systemEnvironment();
        m_environment.insert(u"DISPLAY"_s, m_display->display());
        m_environment.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
        // The trace lines the test follows are debug lines.
        m_environment.insert(u"QT_LOGGING_RULES"_s, u"tidewell.*.debug=true"_s);
        // Without a session bus Qt puts its icon into the X tray (XEmbed), which trayer hosts.
        m_environment.remove(u"DBUS_SESSION_BUS_ADDRESS"_s);
        m_environment.remove(u"WAYLAND_DISPLAY"_s);
        m_tray = std::make_unique<ChildProcess>(
            findProgram(u"trayer"_s),
            QStringLiteral("--edge top --align right --widthtype request --height "
                           "24 --SetDockType true --transparent false")
                .split(u' '),
            QString(), m_environment, QProcess::MergedChannels);
        // The panel must own the tray selection before tidewell looks for a tray.
        QTRY_VERIFY2_WITH_TIMEOUT(!xdotool(u"search --onlyvisible --class trayer"_s).isEmpty(),
                                  ("trayer said: " + m_tray->output()).constData(), kWaitMs);
    }

    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        const QString runtimeDir = m_home->filePath(u"run"_s);
        QVERIFY(QDir().mkpath(runtimeDir));
        QFile::setPermissions(runtimeDir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_environment.insert(u"XDG_RUNTIME_DIR"_s, runtimeDir);
        m_environment.insert(u"HOME"_s, m_home->path());
        m_environment.insert(u"XDG_CONFIG_HOME"_s, m_home->filePath(u".config"_s));
        m_server = startServer();
        QVERIFY(m_server);
        m_tidewell = startTidewell();
        QTRY_VERIFY_WITH_TIMEOUT(windows().icon.has_value(), kWaitMs);
        QVERIFY(!windows().menu);
        clickAt(windows().icon->center());
        QTRY_VERIFY_WITH_TIMEOUT(windows().menu.has_value(), kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(m_tidewell->count("state.isVisible true") > 0, kWaitMs);
    }

    void cleanup()
    {
        m_tidewell.reset();
        m_server.reset();
        m_home.reset();
    }

    // The window drops down under the icon, grows by the row of a server started while it is open, and
    // shrinks by a row whose server the keys stopped.
    void windowListsAndStopsTheServers()
    {
        const auto menu = windows().menu;
        QVERIFY(menu && kScreen.contains(*menu));
        QVERIFY(menu->top() >= windows().icon->bottom());
        const auto one = settledMenu(m_server->pid());
        QVERIFY(one);
        const auto later = startServer();
        QVERIFY(later);
        const auto two = settledMenu(later->pid());
        QVERIFY2(two && two->height() > one->height(),
                 "the window never grew to show the later server's row");
        // The arrow key chooses a row and Delete stops its server, as the trash button does; keys a
        // loaded desktop lost are sent again. A server is gone once stopped and reaped (QProcess reaps
        // its child while the wait runs the event loop).
        const auto stopped = [&] {
            return !QFile::exists(u"/proc/%1"_s.arg(m_server->pid())) ||
                   !QFile::exists(u"/proc/%1"_s.arg(later->pid()));
        };
        QVERIFY(!stopped());
        QVERIFY(QTest::qWaitFor(
            [&] {
                if (!stopped())
                    xdotool(u"key Down Delete"_s);
                return QTest::qWaitFor(stopped, 4000);
            },
            kWaitMs));
        QTRY_VERIFY_WITH_TIMEOUT(windows().menu && windows().menu->height() < two->height(), kWaitMs);
    }

    void restingOnARowOpensItsDetails()
    {
        const auto menu = settledMenu(m_server->pid());
        QVERIFY(menu && windows().details.isEmpty());
        // The one row takes most of the window's height, so the window's middle lies on it. A loaded
        // desktop may deliver the pointer's arrival before the row is ready for it: the pointer leaves
        // and comes back until the details open.
        QVERIFY(QTest::qWaitFor(
            [&] {
                xdotool(u"mousemove %1 %2"_s.arg(kOutside.x()).arg(kOutside.y()));
                xdotool(u"mousemove %1 %2"_s.arg(menu->center().x()).arg(menu->center().y()));
                return QTest::qWaitFor([&] { return windows().details.size() == 1; }, 4000);
            },
            kWaitMs));
        const QRect details = windows().details.first();
        QVERIFY(kScreen.contains(details));
        QVERIFY(details.top() > menu->top());
        // This X server has no compositing manager: what lies outside the details' rounded box and
        // arrow (their top corners, over the window) shows the window beneath, never black.
        const QImage shown = screenshot(u"details"_s);
        QVERIFY(!shown.isNull());
        for (const QPoint corner : {details.topLeft() + QPoint(1, 1), details.topRight() + QPoint(-1, 1)}) {
            const QColor colour = shown.pixelColor(corner);
            QVERIFY2(colour.lightness() > 100, qPrintable(colour.name()));
        }
        // A click outside closes the details; the window goes with the same or a further click.
        clickAt(kOutside);
        QTRY_VERIFY_WITH_TIMEOUT(windows().details.isEmpty(), kWaitMs);
        if (windows().menu)
            closeByClickingOutside();
        QTRY_VERIFY_WITH_TIMEOUT(m_tidewell->count("state.isVisible false") > 0, kWaitMs);
    }

    // Another start of tidewell shows the running one's window and leaves it open when it is; the icon
    // opens it again after a close.
    void closedWindowOpensAgain()
    {
        for (const bool closeFirst : {false, true}) {
            if (closeFirst)
                closeByClickingOutside();
            const auto second = startTidewell();
            QVERIFY(second->process().waitForFinished(kWaitMs));
            QCOMPARE(second->process().exitCode(), 0);
            QCOMPARE(second->output(), QByteArray("Tidewell is already running: its window opens.\n"));
            QTRY_VERIFY_WITH_TIMEOUT(windows().menu.has_value(), kWaitMs);
            QTRY_COMPARE_WITH_TIMEOUT(m_tidewell->count("state.isVisible true"), closeFirst ? 2 : 1, kWaitMs);
        }
        closeByClickingOutside();
        // A click on the icon right after a close is taken as part of closing; click until it opens.
        QVERIFY(QTest::qWaitFor(
            [&] {
                clickAt(windows().icon->center());
                return QTest::qWaitFor([&] { return windows().menu.has_value(); }, 1000);
            },
            kWaitMs));
        QTRY_COMPARE_WITH_TIMEOUT(m_tidewell->count("state.isVisible true"), 3, kWaitMs);
    }

private:
    // `program` run inside the test's own network; nsenter replaces itself with it, so the pid is the
    // program's.
    std::unique_ptr<ChildProcess> startInNetwork(const QString& program, const QStringList& arguments,
                                                 QProcess::ProcessChannelMode channels) const
    {
        return std::make_unique<ChildProcess>(
            findProgram(u"nsenter"_s),
            QStringList{u"--net=/proc/%1/ns/net"_s.arg(m_network->pid()), u"--"_s, program} + arguments,
            QString(), m_environment, channels);
    }
    std::unique_ptr<ChildProcess> startServer() const
    {
        auto server = startInNetwork(
            python3(), QStringList{listenerScript()} + u"--name node --title Preview"_s.split(u' '),
            QProcess::ForwardedErrorChannel);
        return server->waitUntilReady(kWaitMs) ? std::move(server) : nullptr;
    }
    // Line-buffered as on a terminal, so that every line arrives when it is printed.
    std::unique_ptr<ChildProcess> startTidewell() const
    {
        return startInNetwork(findProgram(u"stdbuf"_s), {u"-oL"_s, QStringLiteral(TIDEWELL_PROGRAM)},
                              QProcess::MergedChannels);
    }
    QString xdotool(const QString& arguments) const
    {
        QProcess process;
        process.setProcessEnvironment(m_environment);
        process.start(findProgram(u"xdotool"_s), arguments.split(u' '));
        process.waitForFinished(kWaitMs);
        return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    }
    // In X's own coordinates of the screen, from the top down.
    Windows windows() const
    {
        QList<QRect> shown;
        for (const QString& id :
             xdotool(u"search --onlyvisible --class tidewell"_s).split(u'\n', Qt::SkipEmptyParts)) {
            QHash<QString, int> values;
            for (const QString& line : xdotool(u"getwindowgeometry --shell "_s + id).split(u'\n'))
                values[line.section(u'=', 0, 0)] = line.section(u'=', 1).toInt();
            shown.append(QRect(values.value(u"X"_s), values.value(u"Y"_s), values.value(u"WIDTH"_s),
                               values.value(u"HEIGHT"_s)));
        }
        std::sort(shown.begin(), shown.end(), [](QRect a, QRect b) { return a.top() < b.top(); });
        Windows found;
        for (const QRect& geometry : std::as_const(shown)) {
            if (!geometry.isValid())
                continue;
            if (geometry.bottom() < 24)
                found.icon = geometry;
            else if (!found.menu)
                found.menu = geometry;
            else
                found.details.append(geometry);
        }
        return found;
    }
    // The window once the origin of `server` was read and three looks in a row find its height the
    // same: its row has slid in.
    std::optional<QRect> settledMenu(qint64 server) const
    {
        QList<int> heights;
        const auto settled = [&] {
            const auto menu = windows().menu;
            heights.append(menu ? menu->height() : -1);
            return m_tidewell->count("Getting process info " + QByteArray::number(server)) > 0 &&
                   heights.size() >= 3 && heights.last() > 0 &&
                   heights.mid(heights.size() - 3) == QList<int>(3, heights.last());
        };
        return QTest::qWaitFor(settled, kWaitMs) ? windows().menu : std::nullopt;
    }
    // The whole screen, kept as e2e-NAME.png; null when it could not be taken.
    QImage screenshot(const QString& name) const
    {
        const QString path = QStringLiteral(TIDEWELL_SCREENSHOT_DIR "/e2e-%1.png").arg(name);
        QProcess grabber;
        grabber.setProcessEnvironment(m_environment);
        grabber.start(QCoreApplication::applicationFilePath(), {u"--grab"_s, path});
        return grabber.waitForFinished(kWaitMs) && grabber.exitCode() == 0 ? QImage(path) : QImage();
    }
    void clickAt(QPoint point) const { xdotool(u"mousemove %1 %2 click 1"_s.arg(point.x()).arg(point.y())); }
    void closeByClickingOutside()
    {
        clickAt(kOutside);
        QTRY_VERIFY_WITH_TIMEOUT(!windows().menu, kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(m_tidewell->count("state.isVisible false") > 0, kWaitMs);
    }

    std::unique_ptr<VirtualDisplay> m_display;
    std::unique_ptr<ChildProcess> m_tray;
    // A process that holds the test's network (only loopback, up) open for the others to enter.
    std::unique_ptr<ChildProcess> m_network;
    std::unique_ptr<QTemporaryDir> m_home;
    QProcessEnvironment m_environment;
    std::unique_ptr<ChildProcess> m_server;
    std::unique_ptr<ChildProcess> m_tidewell;
};

int main(int argc, char** argv)
{
    // The screenshot is taken by a second run of this program on the test's display.
    if (argc == 3 && qstrcmp(argv[1], "--grab") == 0) {
        QGuiApplication app(argc, argv);
        QScreen* screen = QGuiApplication::primaryScreen();
        return screen && screen->grabWindow(0).save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
    }
    QGuiApplication app(argc, argv);
    EndToEndTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_e2e.moc"
