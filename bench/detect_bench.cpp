// How long a new development server waits for its row: from its listen() to its entry in the
// port list of the running program (window open, offscreen), with the watch of the listening
// sockets and, beside it in the same run, with the two-second tick alone. Also the time from a
// server's exit to its row's removal.

#include "BenchTiming.h"
#include "ChildProcessGroup.h"
#include "TinyServer.h"

#include "gui/shell/TidewellApp.h"
#include "platform/Host.h"
#include "ports/PortListRefresher.h"
#include "state/AppState.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>

#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>

using namespace tidewell;
using namespace tidewell::bench;

namespace {

constexpr int kRounds = 10;
constexpr int kRowTimeoutMs = 15000;
constexpr double kDetectBound = 500.0;

bool waitFor(const std::function<bool()>& done, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
    }
    return true;
}

struct Times
{
    std::vector<double> appearMs;
    std::vector<double> goneMs;
};

// Rounds of one server each, started at a random point of the tick.
std::optional<Times> measure(bool watch)
{
    QTemporaryDir folder;
    auto settings =
        std::make_unique<QSettings>(folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    TidewellApp tidewell(Host::create(Host::Backend::native),
                         std::make_unique<AppState>(std::move(settings)));
    PortListRefresher& refresher = tidewell.refresher();
    if (!watch)
        refresher.setListeningWatch({});
    tidewell.start();
    waitFor([&] { return !refresher.isScanning(); }, kRowTimeoutMs);

    ChildProcessGroup servers;
    Times times;
    QString key;
    long long seenAtNs = 0;
    QObject::connect(&refresher, &PortListRefresher::portsChanged, [&] {
        if (seenAtNs == 0 && !key.isEmpty() && refresher.ports().contains(key))
            seenAtNs = monotonicNs();
    });
    for (int round = 0; round < kRounds; ++round) {
        const int pause = int(QRandomGenerator::global()->bounded(2000));
        waitFor([deadline = QDeadlineTimer(pause)] { return deadline.hasExpired(); }, pause + 1000);
        int reportPipe[2];
        if (::pipe2(reportPipe, O_CLOEXEC) != 0)
            return std::nullopt;
        const pid_t pid = servers.start([&reportPipe] {
            ::close(reportPipe[0]);
            serveTinyPage(reportPipe[1], "Detect");
        });
        ::close(reportPipe[1]);
        ServerReport report;
        const bool reported = ::read(reportPipe[0], &report, sizeof report) == ssize_t(sizeof report);
        ::close(reportPipe[0]);
        if (pid < 0 || !reported || report.port == 0)
            return std::nullopt;
        seenAtNs = 0;
        key = QStringLiteral("%1:%2").arg(report.port).arg(pid);
        if (!waitFor([&] { return seenAtNs != 0; }, kRowTimeoutMs))
            return std::nullopt;
        times.appearMs.push_back(double(seenAtNs - report.listenedAtNs) / 1e6);

        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        const long long killedAt = monotonicNs();
        if (!waitFor([&] { return !refresher.ports().contains(key); }, kRowTimeoutMs))
            return std::nullopt;
        times.goneMs.push_back(double(monotonicNs() - killedAt) / 1e6);
        key.clear();
    }
    return times;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const auto watched = measure(true);
    const auto ticked = measure(false);
    if (!watched || !ticked) {
        std::fprintf(stderr, "a server's row did not come or go in time\n");
        return 2;
    }
    const double detect = medianOf(watched->appearMs);
    printFigure("detect_ms", detect, 1);
    printFigure(
        "detect_p90_ms",
        [&] {
            auto sorted = watched->appearMs;
            std::sort(sorted.begin(), sorted.end());
            return sorted[sorted.size() * 9 / 10];
        }(),
        1);
    printFigure("detect_gone_ms", medianOf(watched->goneMs), 1);
    printFigure("detect_tick_ms", medianOf(ticked->appearMs), 1);
    printFigure("detect_tick_gone_ms", medianOf(ticked->goneMs), 1);
    printYesNo("detect_within_bounds", detect <= kDetectBound);
    return detect <= kDetectBound ? 0 : 1;
}
