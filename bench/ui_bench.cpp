// What the open window costs with x-ray on and 20 development servers listed: CPU time, the
// longest stall of the interface thread and the resident memory, for the native backend and for
// the command-line one. Each backend is measured in a fresh child run of this program, so that
// neither one's caches, threads or memory count for the other. With --remote, two remote machines
// of 20 servers each are listed too, through the tests' sshd in a network namespace (as root).

#include "BenchTiming.h"
#include "ChildProcessGroup.h"
#include "ChildRun.h"

#include "gui/ports/PortsTab.h"
#include "gui/ports/RemoteMachineSection.h"
#include "gui/process/ProcessItem.h"
#include "gui/shell/AppMenu.h"
#include "gui/shell/TidewellApp.h"
#include "platform/Host.h"
#include "remote/RemoteMachineList.h"
#include "state/AppState.h"
#ifdef TIDEWELL_BENCH_REMOTE
#include "support/SshTestMachine.h"
#include "support/TestProcesses.h"
#endif

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <optional>
#include <sys/resource.h>
#include <unistd.h>

using namespace tidewell;
using namespace tidewell::bench;

namespace {

constexpr int kServers = 20;
constexpr int kTickMs = 10;
constexpr int kListTimeoutMs = 60000;
constexpr int kDefaultSeconds = 30;
// Two machine names of the tests' sshd, each with its own connection: the one listing script, reading
// sockets through ss on one and through /proc on the other.
const QStringList kRemoteMachines{QStringLiteral("far"), QStringLiteral("far-proc")};

const char* const kFigures[] = {"xray_cpu_percent", "ui_max_stall_ms", "rss_mb"};
// The goals for the native backend, in the order of kFigures.
constexpr double kBounds[] = {2.0, 16.0, 80.0};

double cpuSeconds()
{
    double total = 0.0;
    for (const int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        ::getrusage(who, &usage);
        total += double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                 double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    }
    return total;
}

double residentMegabytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1.0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return double(fields.value(1).toLongLong()) * double(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// Runs the event loop until `done` holds or the time is up.
bool waitFor(const std::function<bool()>& done, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return true;
}

// Whether every remote machine's section lists `servers` rows, each with its page title.
bool remoteListed(PortsTab* ports, qsizetype servers)
{
    const QList<RemoteMachineSection*> sections = ports->remoteSections();
    return sections.size() == kRemoteMachines.size() &&
           std::all_of(sections.cbegin(), sections.cend(), [servers](const RemoteMachineSection* section) {
               const QList<ProcessItem*> rows = section->rows();
               return rows.size() == servers && std::all_of(rows.cbegin(), rows.cend(), [](ProcessItem* row) {
                          return row->port().htmlData().has_value();
                      });
           });
}

void runEventLoopFor(int seconds)
{
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
}

// One measurement: the program's wiring over one backend, in this process. Without a backend the
// same servers run and the same timer ticks with no program at all: the machine's own jitter.
int runOnce(std::optional<Host::Backend> backend, int seconds, bool remote)
{
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty()) {
        std::fprintf(stderr, "python3 is needed for the development servers\n");
        return 2;
    }
    const QByteArray pythonPath = QFile::encodeName(python);
    const QByteArray script = QByteArrayLiteral(TIDEWELL_LISTENER);
    ChildProcessGroup servers;
    for (int i = 1; i <= kServers; ++i) {
        const QByteArray title = "Server " + QByteArray::number(i);
        const pid_t child =
            servers.startNodeListener(pythonPath.constData(), script.constData(), title.constData());
        if (child < 0) {
            std::perror("fork");
            return 2;
        }
    }

#ifdef TIDEWELL_BENCH_REMOTE
    std::unique_ptr<test::SshTestMachine> farSide;
    if (remote) {
        qputenv("TIDEWELL_TEST_DATA", TIDEWELL_TEST_DATA_DIR);
        farSide = std::make_unique<test::SshTestMachine>(QStringLiteral(TIDEWELL_PROGRAM));
        if (!farSide->skipReason().isEmpty()) {
            std::fprintf(stderr, "no remote machines: %s\n", qPrintable(farSide->skipReason()));
            return 2;
        }
        // Forked as the local servers are: a QProcess each would add its descriptors to every wake-up
        // of this event loop, which is measured.
        for (int i = 1; i <= kServers; ++i) {
            std::vector<std::string> command;
            for (const QString& part :
                 farSide->commandInside(test::python3(), {test::listenerScript(), QStringLiteral("--title"),
                                                          QStringLiteral("Far server %1").arg(i)}))
                command.push_back(QFile::encodeName(part).toStdString());
            if (servers.startQuiet(std::move(command)) < 0) {
                std::perror("fork");
                return 2;
            }
        }
    }
#else
    if (remote) {
        std::fprintf(stderr, "--remote needs the tests' support library: build with the tests on\n");
        return 2;
    }
#endif

    QTemporaryDir settingsFolder;
    std::unique_ptr<TidewellApp> tidewell;
    if (backend) {
        auto settings = std::make_unique<QSettings>(settingsFolder.filePath(QStringLiteral("settings.ini")),
                                                    QSettings::IniFormat);
        auto state = std::make_unique<AppState>(std::move(settings));
        if (remote) {
            QList<RemoteMachineList::Machine> machines;
            for (const QString& destination : kRemoteMachines)
                machines.append({destination, true});
            state->setRemoteMachinesData(RemoteMachineList::toJson(machines));
        }
        tidewell = std::make_unique<TidewellApp>(Host::create(*backend), std::move(state));
        tidewell->start();
        PortsTab* ports = tidewell->menu().portsTab();
        if (!waitFor([&] { return ports->portRows().size() >= kServers; }, kListTimeoutMs)) {
            std::fprintf(stderr, "only %lld of %d servers were listed\n", qlonglong(ports->portRows().size()),
                         kServers);
            return 2;
        }
        printCount("rows", ports->portRows().size());
        if (remote) {
            // Remote machines are asked while the window is open.
            tidewell->state().setIsVisible(true);
            if (!waitFor([&] { return remoteListed(ports, kServers); }, kListTimeoutMs * 2)) {
                std::fprintf(stderr, "the remote machines did not list %d servers with their pages\n",
                             kServers);
                return 2;
            }
            printCount("remote_rows", kServers * kRemoteMachines.size());
        }
        tidewell->state().setXrayMode(true);
    }

    // CPU first, with nothing of the bench's own waking the event loop: the stall timer below fires
    // a hundred times a second, which alone costs about half a percent of a core. The first window
    // also catches the quick pace of remote machines just after the window opened.
    double cpuPercent = 0.0;
    if (backend) {
        QElapsedTimer wall;
        const double cpuBefore = cpuSeconds();
        wall.start();
        runEventLoopFor(seconds);
        cpuPercent = (cpuSeconds() - cpuBefore) / (double(wall.nsecsElapsed()) / 1e9) * 100.0;
    }

    QElapsedTimer sinceTick;
    qint64 maxStallNs = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(kTickMs);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 lateness = sinceTick.nsecsElapsed() - qint64(kTickMs) * 1000000;
        maxStallNs = std::max(maxStallNs, lateness);
        sinceTick.restart();
    });
    sinceTick.start();
    ticker.start();
    runEventLoopFor(seconds);
    ticker.stop();

    printFigure("xray_cpu_percent", cpuPercent);
    printFigure("ui_max_stall_ms", double(maxStallNs) / 1e6);
    printFigure("rss_mb", residentMegabytes(), 1);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    int seconds = kDefaultSeconds;
    const qsizetype secondsAt = arguments.indexOf(QStringLiteral("--seconds"));
    if (secondsAt >= 0)
        seconds = std::max(1, arguments.value(secondsAt + 1).toInt());

    const bool remote = arguments.contains(QStringLiteral("--remote"));
    const qsizetype runAt = arguments.indexOf(QStringLiteral("--run"));
    if (runAt >= 0) {
        const QString which = arguments.value(runAt + 1);
        const auto backend = Host::backendFromText(which);
        if (!backend && which != QLatin1String("baseline")) {
            std::fprintf(stderr, "--run takes native, commands or baseline\n");
            return 2;
        }
        QApplication app(argc, argv);
        return runOnce(backend, seconds, remote);
    }

    QCoreApplication app(argc, argv);
    printCount("seconds", seconds);
    const QStringList extra = remote ? QStringList{QStringLiteral("--remote")} : QStringList{};
    bool nativeOk = false;
    bool commandsOk = false;
    const QMap<QString, double> native = measureInChild(QStringLiteral("native"), seconds, &nativeOk, extra);
    const QMap<QString, double> commands =
        measureInChild(QStringLiteral("commands"), seconds, &commandsOk, extra);
    bool baselineOk = false;
    const QMap<QString, double> baseline =
        measureInChild(QStringLiteral("baseline"), seconds, &baselineOk, extra);
    if (!nativeOk || !commandsOk || !baselineOk)
        return 2;
    bool withinBounds = true;
    for (const char* name : kFigures)
        printFigure(name, native.value(QLatin1String(name)));
    for (const char* name : kFigures)
        printFigure((QByteArray(name) + "_commands").constData(), commands.value(QLatin1String(name)));
    for (std::size_t i = 0; i < std::size(kFigures); ++i) {
        const QString name = QLatin1String(kFigures[i]);
        const double command = commands.value(name);
        printFigure((QByteArray(kFigures[i]) + "_ratio").constData(),
                    command > 0.0 ? native.value(name) / command : 0.0);
        withinBounds = withinBounds && native.value(name) < kBounds[i];
    }
    // The same timer with the servers running and no program: how late this machine is anyway.
    printFigure("ui_max_stall_ms_baseline", baseline.value(QStringLiteral("ui_max_stall_ms")));
    printText("native_within_bounds", withinBounds ? QStringLiteral("yes") : QStringLiteral("no"));
    return withinBounds ? 0 : 1;
}
