#include "support/TestProcesses.h"
#include "support/VirtualDisplay.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QRect>
#include <QScreen>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <optional>
#include <unistd.h>

using namespace tidewell::test;

namespace {

constexpr int kWindowWidth = 380;
// The window's top margin, header and spacing above the first row, and a row's height.
constexpr int kFirstRowTop = 16 + 26 + 8;
constexpr int kRowHeight = 60;
const QSize kScreenSize(1024, 768);

// A program in a process group of its own, its standard output and error kept together.
class Program
{
public:
    Program(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment)
    {
        m_process.setProgram(program);
        m_process.setArguments(arguments);
        m_process.setProcessEnvironment(environment);
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.setChildProcessModifier([] { ::setpgid(0, 0); });
        m_process.start();
        m_process.waitForStarted(5000);
    }
    ~Program() { kill(); }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    QByteArray output()
    {
        m_output += m_process.readAll();
        return m_output;
    }
    bool printed(const QByteArray& line) { return output().split('\n').contains(line); }
    int count(const QByteArray& line) { return int(output().split('\n').count(line)); }
    bool isRunning() const { return m_process.state() == QProcess::Running; }
    bool waitForExit(int timeoutMs) { return m_process.waitForFinished(timeoutMs); }
    int exitCode() const { return m_process.exitCode(); }
    void kill()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        ::kill(-pid_t(m_process.processId()), SIGKILL);
        m_process.waitForFinished(5000);
    }

private:
    QProcess m_process;
    QByteArray m_output;
};

// A process that has not ended; a zombie waiting for its parent counts as ended.
bool isAlive(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    return close > 0 && text.size() > close + 2 && text[close + 2] != 'Z' && text[close + 2] != 'X';
}

struct Window
{
    QString id;
    QString name;
    QRect geometry;
};

// One desktop for one case: an X server, trayer as the tray and tidewell with a home of its own.
// Everything is killed, process group by process group, when the case ends.
class Session
{
public:
    Session() : m_display(kScreenSize)
    {
        QDir().mkpath(runtimeDir());
        QFile::setPermissions(runtimeDir(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    bool hasDisplay() const { return !m_display.display().isEmpty(); }
    QString runtimeDir() const { return m_home.filePath(QStringLiteral("run")); }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), m_display.display());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir());
        environment.insert(QStringLiteral("HOME"), m_home.path());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath(QStringLiteral(".config")));
        // Without a session bus Qt puts its icon into the X tray (XEmbed), which trayer hosts.
        environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        return environment;
    }

    bool startTray()
    {
        m_tray = std::make_unique<Program>(
            findProgram(QStringLiteral("trayer")),
            QStringList{QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"),
                        QStringLiteral("right"), QStringLiteral("--widthtype"), QStringLiteral("request"),
                        QStringLiteral("--height"), QStringLiteral("24"), QStringLiteral("--SetDockType"),
                        QStringLiteral("true"), QStringLiteral("--transparent"), QStringLiteral("false")},
            environment());
        // The panel must own the tray selection before tidewell looks for a tray.
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 10000) {
            if (!xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                          QStringLiteral("--class"), QStringLiteral("trayer")})
                     .isEmpty())
                return true;
            QTest::qWait(50);
        }
        return false;
    }

    // Another start of the program in the same session; the first one is kept in `tidewell()`.
    std::unique_ptr<Program> startProgram() const
    {
        // Line buffering, as on a terminal, so that every line arrives when it is printed.
        return std::make_unique<Program>(findProgram(QStringLiteral("stdbuf")),
                                         QStringList{QStringLiteral("-oL"), QStringLiteral(TIDEWELL_PROGRAM)},
                                         environment());
    }
    Program& startTidewell()
    {
        m_tidewell = startProgram();
        return *m_tidewell;
    }
    Program& tidewell() const { return *m_tidewell; }

    QString xdotool(const QStringList& arguments) const
    {
        QProcess process;
        process.setProcessEnvironment(environment());
        process.start(findProgram(QStringLiteral("xdotool")), arguments);
        process.waitForFinished(10000);
        return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    }

    // The program's mapped windows, in X's own coordinates of the screen.
    QList<Window> visibleWindows() const
    {
        QList<Window> windows;
        const QString ids = xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                     QStringLiteral("--class"), QStringLiteral("tidewell")});
        for (const QString& id : ids.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            Window window{id, xdotool({QStringLiteral("getwindowname"), id}), {}};
            int x = 0, y = 0, width = 0, height = 0;
            const QString shell =
                xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), id});
            for (const QString& line : shell.split(QLatin1Char('\n'))) {
                const QString value = line.section(QLatin1Char('='), 1);
                if (line.startsWith(QLatin1String("X=")))
                    x = value.toInt();
                else if (line.startsWith(QLatin1String("Y=")))
                    y = value.toInt();
                else if (line.startsWith(QLatin1String("WIDTH=")))
                    width = value.toInt();
                else if (line.startsWith(QLatin1String("HEIGHT=")))
                    height = value.toInt();
            }
            window.geometry = QRect(x, y, width, height);
            if (window.geometry.isValid())
                windows.append(window);
        }
        return windows;
    }

    // The tray icon: a small window of the program inside trayer's panel, at the top of the screen.
    std::optional<Window> icon() const
    {
        for (const Window& window : visibleWindows()) {
            if (window.geometry.width() <= 48 && window.geometry.height() <= 48 && window.geometry.top() < 24)
                return window;
        }
        return std::nullopt;
    }

    std::optional<Window> menuWindow() const
    {
        for (const Window& window : visibleWindows()) {
            if (window.name == QLatin1String("Tidewell") && window.geometry.width() == kWindowWidth)
                return window;
        }
        return std::nullopt;
    }

    // Windows of the program other than its icon and its window: the details of a row.
    QList<Window> otherWindows() const
    {
        QList<Window> others;
        const auto iconWindow = icon();
        const auto menu = menuWindow();
        for (const Window& window : visibleWindows()) {
            if ((!iconWindow || window.id != iconWindow->id) && (!menu || window.id != menu->id))
                others.append(window);
        }
        return others;
    }

    void moveTo(QPoint point) const
    {
        xdotool({QStringLiteral("mousemove"), QString::number(point.x()), QString::number(point.y())});
    }
    void clickAt(QPoint point) const
    {
        xdotool({QStringLiteral("mousemove"), QString::number(point.x()), QString::number(point.y()),
                 QStringLiteral("click"), QStringLiteral("1")});
    }
    // A spot away from the tray and from where the window drops down.
    QPoint outside() const { return QPoint(20, kScreenSize.height() - 20); }

    // The whole screen, read by a second run of this test program connected to the display.
    bool screenshot(const QString& path) const
    {
        QProcess grab;
        grab.setProcessEnvironment(environment());
        grab.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--grab"), path});
        return grab.waitForFinished(20000) && grab.exitCode() == 0 && QFile::exists(path);
    }

private:
    QTemporaryDir m_home;
    VirtualDisplay m_display;
    std::unique_ptr<Program> m_tray;
    std::unique_ptr<Program> m_tidewell;
};

QByteArray gettingInfoLine(qint64 pid)
{
    return "Getting process info " + QByteArray::number(pid);
}

} // namespace

class EndToEndTest : public QObject
{
    Q_OBJECT
private slots:
    void init();

    void iconOpensTheWindowWithTheServer_data();
    void iconOpensTheWindowWithTheServer();
    void restingOnARowOpensItsDetails();
    void trashStopsTheServer();
    void clickOutsideClosesAndIconReopens();
    void secondStartOpensTheWindow_data();
    void secondStartOpensTheWindow();

private:
    // Starts the tray and tidewell, waits for the icon, clicks it and waits for the window.
    void openWindow(Session& session);
    std::optional<Window> waitForRow(Session& session, int rows);
};

void EndToEndTest::init()
{
    for (const char* tool : {"Xvfb", "trayer", "xdotool", "stdbuf", "python3"}) {
        if (findProgram(QString::fromLatin1(tool)).isEmpty())
            QSKIP(qPrintable(QStringLiteral("%1 is not installed (scripts/install-deps.sh installs it)")
                                 .arg(QString::fromLatin1(tool))));
    }
}

void EndToEndTest::openWindow(Session& session)
{
    QVERIFY(session.hasDisplay());
    QVERIFY(session.startTray());
    Program& tidewell = session.startTidewell();
    QTRY_VERIFY_WITH_TIMEOUT(session.icon().has_value(), 15000);
    QVERIFY2(!tidewell.output().contains("No system tray found"), tidewell.output().constData());
    QVERIFY(!session.menuWindow());
    session.clickAt(session.icon()->geometry.center());
    QTRY_VERIFY_WITH_TIMEOUT(session.menuWindow().has_value(), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(tidewell.printed("state.isVisible true"), 5000);
}

// The window once it has grown to show at least `rows` rows.
std::optional<Window> EndToEndTest::waitForRow(Session& session, int rows)
{
    const int height = kFirstRowTop + rows * kRowHeight;
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 5000) {
        const auto menu = session.menuWindow();
        if (menu && menu->geometry.height() >= height)
            return menu;
        QTest::qWait(50);
    }
    return std::nullopt;
}

void EndToEndTest::iconOpensTheWindowWithTheServer_data()
{
    QTest::addColumn<bool>("serverFirst");
    QTest::newRow("server-before") << true;
    QTest::newRow("server-after") << false;
}

void EndToEndTest::iconOpensTheWindowWithTheServer()
{
    QFETCH(bool, serverFirst);
    const QStringList serverOptions{QStringLiteral("--name"), QStringLiteral("node"),
                                    QStringLiteral("--title"), QStringLiteral("Checkout Preview")};
    Session session;
    std::unique_ptr<ChildProcess> server;
    QElapsedTimer sinceListening;
    if (serverFirst) {
        server = startListener(serverOptions);
        QVERIFY(server->waitUntilReady());
        sinceListening.start();
    }
    openWindow(session);
    if (QTest::currentTestFailed())
        return;
    Program& tidewell = session.tidewell();
    if (!serverFirst) {
        server = startListener(serverOptions);
        QVERIFY(server->waitUntilReady());
        sinceListening.start();
    } else {
        // The window opened after the server had started; its clock starts with the program.
        sinceListening.restart();
    }

    const auto menu = session.menuWindow();
    QVERIFY(menu);
    QVERIFY2(QRect(QPoint(0, 0), kScreenSize).contains(menu->geometry),
             qPrintable(QStringLiteral("window at %1,%2 %3x%4")
                            .arg(menu->geometry.x())
                            .arg(menu->geometry.y())
                            .arg(menu->geometry.width())
                            .arg(menu->geometry.height())));
    // The window drops down from the icon, under the panel.
    QVERIFY(menu->geometry.top() >= session.icon()->geometry.bottom());

    const QByteArray line = gettingInfoLine(server->pid());
    QTRY_VERIFY_WITH_TIMEOUT(tidewell.printed(line), 3000);
    QVERIFY2(sinceListening.elapsed() <= 3500, qPrintable(QString::number(sinceListening.elapsed())));

    const auto shown = waitForRow(session, 1);
    QVERIFY2(shown, "the window never grew to show the server's row");
    // The page title is fetched after the row appears; the line above says the lookup has begun.
    const QString path = QStringLiteral(TIDEWELL_SCREENSHOT_DIR "/e2e-window-%1.png")
                             .arg(QString::fromLatin1(QTest::currentDataTag()));
    QTRY_VERIFY_WITH_TIMEOUT(session.screenshot(path), 20000);
    const QImage image(path);
    QCOMPARE(image.size(), kScreenSize);
    // The window is painted: its area holds several colours and differs from the empty screen.
    const QRgb background = image.pixel(session.outside());
    QSet<QRgb> colours;
    int differing = 0;
    for (int y = shown->geometry.top(); y <= shown->geometry.bottom(); y += 2) {
        for (int x = shown->geometry.left(); x <= shown->geometry.right(); x += 2) {
            const QRgb pixel = image.pixel(x, y);
            colours.insert(pixel);
            differing += pixel != background;
        }
    }
    QVERIFY2(colours.size() >= 8, qPrintable(QString::number(colours.size())));
    QVERIFY(differing > shown->geometry.width() * shown->geometry.height() / 8);
}

void EndToEndTest::restingOnARowOpensItsDetails()
{
    Session session;
    auto server = startListener({QStringLiteral("--name"), QStringLiteral("node"), QStringLiteral("--title"),
                                 QStringLiteral("Checkout Preview")});
    QVERIFY(server->waitUntilReady());
    openWindow(session);
    if (QTest::currentTestFailed())
        return;
    const auto menu = waitForRow(session, 1);
    QVERIFY(menu);
    QCOMPARE(session.otherWindows().size(), 0);

    QElapsedTimer resting;
    session.moveTo(menu->geometry.topLeft() + QPoint(100, kFirstRowTop + kRowHeight / 2));
    resting.start();
    QTRY_COMPARE_WITH_TIMEOUT(session.otherWindows().size(), 1, 5000);
    // The details wait for the pointer to rest; they do not open on a passing pointer.
    QVERIFY2(resting.elapsed() >= 900, qPrintable(QString::number(resting.elapsed())));
    const Window details = session.otherWindows().first();
    QVERIFY(QRect(QPoint(0, 0), kScreenSize).contains(details.geometry));
    QVERIFY(details.geometry.top() >= menu->geometry.top() + kFirstRowTop);

    // A click outside closes the details; the window goes with the same or a further click.
    session.clickAt(session.outside());
    QTRY_COMPARE_WITH_TIMEOUT(session.otherWindows().size(), 0, 5000);
    if (session.menuWindow()) {
        session.clickAt(session.outside());
        QTRY_VERIFY_WITH_TIMEOUT(!session.menuWindow(), 5000);
    }
    QTRY_VERIFY_WITH_TIMEOUT(session.tidewell().printed("state.isVisible false"), 5000);
    QVERIFY(session.otherWindows().isEmpty());
}

void EndToEndTest::trashStopsTheServer()
{
    Session session;
    auto server = startListener({QStringLiteral("--name"), QStringLiteral("node"), QStringLiteral("--title"),
                                 QStringLiteral("Checkout Preview")});
    QVERIFY(server->waitUntilReady());
    const qint64 pid = server->pid();
    openWindow(session);
    if (QTest::currentTestFailed())
        return;
    QTRY_VERIFY_WITH_TIMEOUT(session.tidewell().printed(gettingInfoLine(pid)), 3000);
    const auto menu = waitForRow(session, 1);
    QVERIFY(menu);
    QVERIFY(isAlive(pid));

    // The trash button sits at the right end of the row, inside the window's and the row's padding.
    const QPoint trash =
        menu->geometry.topLeft() + QPoint(kWindowWidth - 10 - 18 - 10, kFirstRowTop + kRowHeight / 2);
    session.clickAt(trash);
    QTRY_VERIFY_WITH_TIMEOUT(!isAlive(pid), 5000);
    // The next refresh no longer lists the port, and the window shrinks by the row.
    QTRY_VERIFY_WITH_TIMEOUT(
        session.menuWindow() && session.menuWindow()->geometry.height() < menu->geometry.height(), 6000);
    QVERIFY(session.tidewell().isRunning());
}

void EndToEndTest::clickOutsideClosesAndIconReopens()
{
    Session session;
    openWindow(session);
    if (QTest::currentTestFailed())
        return;
    Program& tidewell = session.tidewell();
    session.clickAt(session.outside());
    QTRY_VERIFY_WITH_TIMEOUT(!session.menuWindow(), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(tidewell.printed("state.isVisible false"), 5000);

    // A click on the icon right after a close is taken as part of closing; click until it opens.
    const QPoint icon = session.icon()->geometry.center();
    QElapsedTimer waited;
    waited.start();
    while (!session.menuWindow() && waited.elapsed() < 5000) {
        session.clickAt(icon);
        for (int i = 0; i < 10 && !session.menuWindow(); ++i)
            QTest::qWait(50);
    }
    QVERIFY(session.menuWindow());
    QTRY_COMPARE_WITH_TIMEOUT(tidewell.count("state.isVisible true"), 2, 5000);
    QVERIFY(tidewell.isRunning());
}

void EndToEndTest::secondStartOpensTheWindow_data()
{
    QTest::addColumn<bool>("closeFirst");
    QTest::newRow("window-closed") << true;
    QTest::newRow("window-open") << false;
}

void EndToEndTest::secondStartOpensTheWindow()
{
    QFETCH(bool, closeFirst);
    Session session;
    openWindow(session);
    if (QTest::currentTestFailed())
        return;
    Program& first = session.tidewell();
    if (closeFirst) {
        session.clickAt(session.outside());
        QTRY_VERIFY_WITH_TIMEOUT(!session.menuWindow(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(first.printed("state.isVisible false"), 5000);
    }

    const auto second = session.startProgram();
    QVERIFY(second->waitForExit(15000));
    QCOMPARE(second->exitCode(), 0);
    QCOMPARE(second->output(), QByteArray("Tidewell is already running: its window opens.\n"));
    QVERIFY(first.isRunning());
    QTRY_VERIFY_WITH_TIMEOUT(session.menuWindow().has_value(), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(first.count("state.isVisible true"), closeFirst ? 2 : 1, 5000);
}

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
