// What the open window costs with 200 development servers listed: CPU time with x-ray off and on,
// and resident memory, with the native listing as the program uses it (owners remembered between
// refreshes) and, in the same run, with a listing that walks every process on every refresh.
// Each is measured in a fresh child run of this program, with its own 200 servers.

#include "BenchTiming.h"
#include "ChildProcessGroup.h"
#include "ChildRun.h"
#include "TinyServer.h"

#include "gui/ports/PortsTab.h"
#include "gui/shell/AppMenu.h"
#include "gui/shell/TidewellApp.h"
#include "platform/Host.h"
#include "platform/linux/KernelSocketListingSource.h"
#include "state/AppState.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>

using namespace tidewell;
using namespace tidewell::bench;

namespace {

constexpr int kServers = 200;
constexpr int kListTimeoutMs = 180000;
constexpr int kDefaultSeconds = 20;
constexpr double kOpenBound = 1.0;
constexpr double kXrayBound = 1.5;
constexpr double kRssBound = 60.0;

double cpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double residentMegabytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1.0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return double(fields.value(1).toLongLong()) * double(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

bool waitFor(const std::function<bool()>& done, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

// CPU time over wall time for `seconds` of the event loop, in percent of one core.
double cpuPercentOver(int seconds)
{
    const double before = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    return (cpuSeconds() - before) / (double(wall.nsecsElapsed()) / 1e9) * 100.0;
}

int runOnce(bool fullWalk, int seconds, int argc, char** argv)
{
    ChildProcessGroup servers;
    for (int i = 1; i <= kServers; ++i) {
        int reportPipe[2];
        if (::pipe2(reportPipe, O_CLOEXEC) != 0)
            return 2;
        char title[32];
        std::snprintf(title, sizeof title, "Server %d", i);
        if (servers.start([&] {
                ::close(reportPipe[0]);
                serveTinyPage(reportPipe[1], title);
            }) < 0)
            return 2;
        ::close(reportPipe[1]);
        ServerReport report;
        const bool ok =
            ::read(reportPipe[0], &report, sizeof report) == ssize_t(sizeof report) && report.port != 0;
        ::close(reportPipe[0]);
        if (!ok)
            return 2;
    }

    QApplication app(argc, argv);
    QTemporaryDir folder;
    auto settings =
        std::make_unique<QSettings>(folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    Host host = Host::create(Host::Backend::native);
    if (fullWalk)
        host.sockets = std::make_shared<KernelSocketListingSource>(1);
    TidewellApp tidewell(host, std::make_unique<AppState>(std::move(settings)));
    tidewell.start();
    PortsTab* ports = tidewell.menu().portsTab();
    if (!waitFor([&] { return ports->portRows().size() >= kServers; }, kListTimeoutMs)) {
        std::fprintf(stderr, "only %lld of %d servers were listed\n", qlonglong(ports->portRows().size()),
                     kServers);
        return 2;
    }
    printCount("rows", ports->portRows().size());
    // Let the probes' and lookups' last results settle before measuring.
    cpuPercentOver(3);
    printFigure("open_percent", cpuPercentOver(seconds));
    tidewell.state().setXrayMode(true);
    cpuPercentOver(2);
    printFigure("xray_percent", cpuPercentOver(seconds));
    printFigure("rss_mb", residentMegabytes(), 1);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    int seconds = kDefaultSeconds;
    QString run;
    for (int i = 1; i + 1 < argc; ++i) {
        if (QByteArray(argv[i]) == "--seconds")
            seconds = std::max(1, QByteArray(argv[i + 1]).toInt());
        if (QByteArray(argv[i]) == "--run")
            run = QString::fromLatin1(argv[i + 1]);
    }
    if (!run.isEmpty())
        return runOnce(run == QLatin1String("full-walk"), seconds, argc, argv);

    QCoreApplication app(argc, argv);
    printCount("seconds", seconds);
    bool ok = false;
    bool fullOk = false;
    const auto incremental = measureInChild(QStringLiteral("incremental"), seconds, &ok);
    const auto fullWalk = measureInChild(QStringLiteral("full-walk"), seconds, &fullOk);
    if (!ok || !fullOk)
        return 2;
    const double open = incremental.value(QStringLiteral("open_percent"));
    const double xray = incremental.value(QStringLiteral("xray_percent"));
    const double rss = incremental.value(QStringLiteral("rss_mb"));
    printFigure("cpu_200_open_percent", open);
    printFigure("cpu_200_xray_percent", xray);
    printFigure("rss_200_mb", rss, 1);
    printFigure("cpu_200_open_percent_full_walk", fullWalk.value(QStringLiteral("open_percent")));
    printFigure("cpu_200_xray_percent_full_walk", fullWalk.value(QStringLiteral("xray_percent")));
    printFigure("cpu_200_open_ratio", ratioOf(open, fullWalk.value(QStringLiteral("open_percent"))));
    const bool within = open <= kOpenBound && xray <= kXrayBound && rss <= kRssBound;
    printYesNo("many_within_bounds", within);
    return within ? 0 : 1;
}
