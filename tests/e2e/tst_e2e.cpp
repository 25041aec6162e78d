#include "support/TestProcesses.h"
#include "support/VirtualDisplay.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QScreen>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <functional>
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

struct Window
{
    QString id;
    QRect geometry;
};

// The tray icon: a window of the program inside trayer's panel, which the test made 24 high.
bool isIcon(const Window& window, const QList<Window>&)
{
    return window.geometry.bottom() < 24;
}

// The window drops down under the panel; the details open lower, beside a row.
bool isMenu(const Window& window, const QList<Window>& all)
{
    return !isIcon(window, all) && std::none_of(all.cbegin(), all.cend(), [&](const Window& other) {
        return !isIcon(other, all) && other.geometry.top() < window.geometry.top();
    });
}

bool isDetails(const Window& window, const QList<Window>& all)
{
    return !isIcon(window, all) && !isMenu(window, all);
}

} // namespace

// The X server and trayer's panel serve every case. Each case starts with a home of its own, a
// server already listening, and tidewell with its window opened by a click on the icon; all are
// killed, process group by process group, when the case ends. The servers and tidewell share a
// network of their own, so the window lists the test's servers and nothing else: a click on a row
// can only reach a process the test started.
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
        QTRY_VERIFY_WITH_TIMEOUT(window(isIcon).has_value(), kWaitMs);
        QVERIFY2(!m_tidewell->output().contains("No system tray found"), m_tidewell->output().constData());
        QVERIFY(!window(isMenu));
        clickAt(window(isIcon)->geometry.center());
        QTRY_VERIFY_WITH_TIMEOUT(window(isMenu).has_value(), kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(m_tidewell->count("state.isVisible true") > 0, kWaitMs);
    }

    void cleanup()
    {
        m_tidewell.reset();
        m_server.reset();
        m_home.reset();
    }

    void iconOpensTheWindowWithTheServer_data()
    {
        QTest::addColumn<bool>("serverFirst");
        QTest::newRow("server-before") << true;
        QTest::newRow("server-after") << false;
    }

    void iconOpensTheWindowWithTheServer()
    {
        QFETCH(bool, serverFirst);
        // For a server started later, the window with the first server's row, to grow from.
        const auto before = serverFirst ? std::nullopt : settledMenu(m_server->pid());
        QVERIFY(serverFirst || before);
        const auto later = serverFirst ? nullptr : startServer();
        QVERIFY(serverFirst || later);
        const qint64 pid = serverFirst ? m_server->pid() : later->pid();
        // The window drops down from the icon, under the panel.
        const auto menu = window(isMenu);
        QVERIFY(menu && kScreen.contains(menu->geometry));
        QVERIFY(menu->geometry.top() >= window(isIcon)->geometry.bottom());
        QTRY_VERIFY_WITH_TIMEOUT(m_tidewell->count("Getting process info " + QByteArray::number(pid)) > 0,
                                 kWaitMs);
        const auto shown = settledMenu(pid);
        QVERIFY2(shown && (!before || shown->geometry.height() > before->geometry.height()),
                 "the window never grew to show the server's row");
        QImage image;
        QTRY_VERIFY_WITH_TIMEOUT(
            !(image = screenshot(u"window-"_s + QString::fromLatin1(QTest::currentDataTag()))).isNull(),
            20000);
        QCOMPARE(image.size(), kScreenSize);
        // The window is painted: its area holds several colours and differs from the empty screen.
        const QRgb background = image.pixel(kOutside);
        QSet<QRgb> colours;
        int differing = 0;
        for (int y = shown->geometry.top(); y <= shown->geometry.bottom(); y += 2) {
            for (int x = shown->geometry.left(); x <= shown->geometry.right(); x += 2) {
                colours.insert(image.pixel(x, y));
                differing += image.pixel(x, y) != background;
            }
        }
        QVERIFY2(colours.size() >= 8, qPrintable(QString::number(colours.size())));
        QVERIFY(differing > shown->geometry.width() * shown->geometry.height() / 8);
        if (!serverFirst)
            return;
        // The only row is chosen with the arrow key and stopped with Delete, as the trash button does; keys
        // a loaded desktop lost are sent again while the server still runs. Gone once stopped and reaped
        // (QProcess reaps its child while the wait runs the event loop).
        const auto stopped = [&] { return !QFile::exists(u"/proc/%1"_s.arg(pid)); };
        QVERIFY(!stopped());
        QVERIFY(QTest::qWaitFor(
            [&] {
                if (!stopped())
                    xdotool(u"key Down Delete"_s);
                return QTest::qWaitFor(stopped, 4000);
            },
            kWaitMs));
        // The next refresh no longer lists the port, and the window shrinks by the row.
        QTRY_VERIFY_WITH_TIMEOUT(
            window(isMenu) && window(isMenu)->geometry.height() < shown->geometry.height(), kWaitMs);
        QCOMPARE(m_tidewell->process().state(), QProcess::Running);
    }

    void restingOnARowOpensItsDetails()
    {
        const auto menu = settledMenu(m_server->pid());
        QVERIFY(menu && windows(isDetails).isEmpty());
        // The one row takes most of the window's height, so the window's middle lies on it.
        const QPoint row = menu->geometry.center();
        // A loaded desktop may deliver the pointer's arrival before the row is ready for it: the pointer
        // leaves and comes back until the details open.
        QElapsedTimer resting;
        QVERIFY(QTest::qWaitFor(
            [&] {
                xdotool(u"mousemove %1 %2"_s.arg(kOutside.x()).arg(kOutside.y()));
                xdotool(u"mousemove %1 %2"_s.arg(row.x()).arg(row.y()));
                resting.start();
                return QTest::qWaitFor([&] { return windows(isDetails).size() == 1; }, 4000);
            },
            kWaitMs));
        // The details wait for the pointer to rest; they do not open on a passing pointer.
        QVERIFY2(resting.elapsed() >= 900, qPrintable(QString::number(resting.elapsed())));
        const Window details = windows(isDetails).first();
        QVERIFY(kScreen.contains(details.geometry));
        QVERIFY(details.geometry.top() > menu->geometry.top());
        // This X server has no compositing manager: what lies outside the details' rounded box and
        // arrow (their top corners, over the window) shows the window beneath, never black.
        const QImage shown = screenshot(u"details"_s);
        QVERIFY(!shown.isNull());
        for (const QPoint corner :
             {details.geometry.topLeft() + QPoint(1, 1), details.geometry.topRight() + QPoint(-1, 1)}) {
            const QColor colour = shown.pixelColor(corner);
            QVERIFY2(colour.lightness() > 100, qPrintable(colour.name()));
        }
        // A click outside closes the details; the window goes with the same or a further click.
        clickAt(kOutside);
        QTRY_COMPARE_WITH_TIMEOUT(windows(isDetails).size(), 0, kWaitMs);
        if (window(isMenu))
            closeByClickingOutside();
        QTRY_VERIFY_WITH_TIMEOUT(m_tidewell->count("state.isVisible false") > 0, kWaitMs);
    }

    void closedWindowOpensAgain_data()
    {
        QTest::addColumn<bool>("closeFirst");
        QTest::addColumn<bool>("byIcon"); // a click on the icon, or another start of tidewell
        QTest::newRow("click-outside-then-icon") << true << true;
        QTest::newRow("second-start-window-closed") << true << false;
        QTest::newRow("second-start-window-open") << false << false;
    }

    void closedWindowOpensAgain()
    {
        QFETCH(bool, closeFirst);
        QFETCH(bool, byIcon);
        if (closeFirst)
            closeByClickingOutside();
        if (byIcon) {
            // A click on the icon right after a close is taken as part of closing; click until it opens.
            const QPoint icon = window(isIcon)->geometry.center();
            QVERIFY(QTest::qWaitFor(
                [&] {
                    clickAt(icon);
                    return QTest::qWaitFor([&] { return window(isMenu).has_value(); }, 1000);
                },
                kWaitMs));
        } else {
            const auto second = startTidewell();
            QVERIFY(second->process().waitForFinished(kWaitMs));
            QCOMPARE(second->process().exitCode(), 0);
            QCOMPARE(second->output(), QByteArray("Tidewell is already running: its window opens.\n"));
        }
        QCOMPARE(m_tidewell->process().state(), QProcess::Running);
        QTRY_VERIFY_WITH_TIMEOUT(window(isMenu).has_value(), kWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(m_tidewell->count("state.isVisible true"), closeFirst ? 2 : 1, kWaitMs);
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
    // Another start of tidewell on this desktop, line-buffered as on a terminal so that every line
    // arrives when it is printed.
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
        process.waitForFinished(10000);
        return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    }
    // The program's mapped windows that are `wanted`, in X's own coordinates of the screen.
    QList<Window> windows(const std::function<bool(const Window&, const QList<Window>&)>& wanted) const
    {
        QList<Window> all;
        const QString ids = xdotool(u"search --onlyvisible --class tidewell"_s);
        for (const QString& id : ids.split(u'\n', Qt::SkipEmptyParts)) {
            QHash<QString, int> values;
            for (const QString& line : xdotool(u"getwindowgeometry --shell "_s + id).split(u'\n'))
                values[line.section(u'=', 0, 0)] = line.section(u'=', 1).toInt();
            const Window window{id, QRect(values.value(u"X"_s), values.value(u"Y"_s),
                                          values.value(u"WIDTH"_s), values.value(u"HEIGHT"_s))};
            if (window.geometry.isValid())
                all.append(window);
        }
        QList<Window> found = all;
        found.removeIf([&](const Window& window) { return !wanted(window, all); });
        return found;
    }
    std::optional<Window> window(const std::function<bool(const Window&, const QList<Window>&)>& wanted) const
    {
        const QList<Window> found = windows(wanted);
        return found.isEmpty() ? std::nullopt : std::optional(found.first());
    }
    // The window once the origin of `server` was read and the window's height has stopped changing
    // (three looks in a row find it the same): its row has slid in.
    std::optional<Window> settledMenu(qint64 server) const
    {
        QList<int> heights;
        const auto settled = [&] {
            const auto menu = window(isMenu);
            heights.append(menu ? menu->geometry.height() : -1);
            return m_tidewell->count("Getting process info " + QByteArray::number(server)) > 0 &&
                   heights.size() >= 3 && heights.last() > 0 && heights.count(heights.last()) >= 3 &&
                   heights.mid(heights.size() - 3) == QList<int>(3, heights.last());
        };
        return QTest::qWaitFor(settled, kWaitMs) ? window(isMenu) : std::nullopt;
    }
    // The whole screen, kept as e2e-NAME.png; null when it could not be taken.
    QImage screenshot(const QString& name) const
    {
        const QString path = QStringLiteral(TIDEWELL_SCREENSHOT_DIR "/e2e-%1.png").arg(name);
        QProcess grabber;
        grabber.setProcessEnvironment(m_environment);
        grabber.start(QCoreApplication::applicationFilePath(), {u"--grab"_s, path});
        return grabber.waitForFinished(20000) && grabber.exitCode() == 0 ? QImage(path) : QImage();
    }
    void clickAt(QPoint point) const { xdotool(u"mousemove %1 %2 click 1"_s.arg(point.x()).arg(point.y())); }
    void closeByClickingOutside()
    {
        clickAt(kOutside);
        QTRY_VERIFY_WITH_TIMEOUT(!window(isMenu), kWaitMs);
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
