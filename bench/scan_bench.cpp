// How much faster the native listing (/proc/net/tcp plus /proc/PID/fd) is than running lsof
// through zsh, on a machine with a thousand listening sockets spread over fifty processes.

#include "BenchTiming.h"
#include "ChildProcessGroup.h"

#include "platform/ListeningSocket.h"
#include "platform/ProcessSystemTools.h"
#include "platform/commands/LsofListingSource.h"
#include "platform/linux/ProcNetListingSource.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSet>

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace tidewell;
using namespace tidewell::bench;

namespace {

constexpr int kChildren = 50;
constexpr int kSocketsPerChild = 20;
constexpr int kRuns = 10;
constexpr int kReadyTimeoutMs = 10'000;

constexpr char kChildReady = 'k';
constexpr char kChildFailed = 'x';

// Enough descriptors for each child's sockets and for lsof, which opens many files itself.
void raiseOpenFileLimit()
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return;
    const rlim_t wanted = 4096;
    if (limit.rlim_cur >= wanted)
        return;
    limit.rlim_cur = limit.rlim_max == RLIM_INFINITY || limit.rlim_max >= wanted ? wanted : limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);
}

bool listenOnLoopback()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = 0; // an ephemeral port, so that the benchmark never collides with a server
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
           ::listen(fd, 16) == 0;
}

// The body of each child: open the sockets, say whether that worked, then wait to be killed.
void listenAndWait(int readyFd)
{
    bool ok = true;
    for (int socket = 0; socket < kSocketsPerChild; ++socket)
        ok = listenOnLoopback() && ok;
    const char report = ok ? kChildReady : kChildFailed;
    while (::write(readyFd, &report, 1) < 0 && errno == EINTR) {
    }
    ::close(readyFd);
    for (;;)
        ::pause();
}

// How many children reported all their sockets listening, waiting at most kReadyTimeoutMs.
int waitForChildren(int readyFd, int expected)
{
    int ready = 0;
    int reported = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kReadyTimeoutMs);
    while (reported < expected) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd entry{readyFd, POLLIN, 0};
        if (::poll(&entry, 1, int(left.count())) <= 0)
            continue;
        char reports[kChildren];
        const ssize_t n = ::read(readyFd, reports, sizeof reports);
        if (n <= 0)
            break; // every child has closed its end
        for (ssize_t i = 0; i < n; ++i) {
            ++reported;
            if (reports[i] == kChildReady)
                ++ready;
        }
    }
    return ready;
}

QList<ListeningSocket> rowsOf(const QList<ListeningSocket>& sockets, const QSet<QString>& pids)
{
    QList<ListeningSocket> rows;
    for (const ListeningSocket& socket : sockets) {
        if (pids.contains(socket.pid))
            rows.append(socket);
    }
    return rows;
}

QString ssProgram()
{
    for (const char* candidate : {"/usr/bin/ss", "/bin/ss"}) {
        const QString path = QString::fromLatin1(candidate);
        if (QFileInfo(path).isExecutable())
            return path;
    }
    return {};
}

} // namespace

int main(int argc, char** argv)
{
    raiseOpenFileLimit();

    // The children are forked before Qt starts any machinery of its own.
    ChildProcessGroup children;
    int readyPipe[2];
    if (::pipe2(readyPipe, O_CLOEXEC) != 0) {
        std::perror("pipe2");
        return 2;
    }
    QSet<QString> childPids;
    for (int child = 0; child < kChildren; ++child) {
        const pid_t pid = children.start([&readyPipe] {
            ::close(readyPipe[0]);
            listenAndWait(readyPipe[1]);
        });
        if (pid < 0) {
            std::perror("fork");
            return 2;
        }
        childPids.insert(QString::number(pid));
    }
    ::close(readyPipe[1]);
    const int readyChildren = waitForChildren(readyPipe[0], kChildren);
    ::close(readyPipe[0]);
    printCount("scan_children", readyChildren);
    printCount("scan_sockets_expected", kChildren * kSocketsPerChild);
    if (readyChildren != kChildren) {
        std::fprintf(stderr, "only %d of %d children are listening\n", readyChildren, kChildren);
        return 2;
    }

    QCoreApplication app(argc, argv);
    const auto tools = std::make_shared<ProcessSystemTools>();

    ProcNetListingSource native;
    LsofListingSource lsof(tools);
    // One call of each first, so that neither side is timed with cold caches.
    QList<ListeningSocket> nativeSockets = native.listeningSockets();
    QList<ListeningSocket> lsofSockets = lsof.listeningSockets();
    const MedianPair times = compareMedians(
        kRuns, [&] { nativeSockets = native.listeningSockets(); }, kRuns,
        [&] { lsofSockets = lsof.listeningSockets(); });
    const double nativeMs = times.nativeMs;
    const double lsofMs = times.commandMs;

    const QList<ListeningSocket> nativeRows = rowsOf(nativeSockets, childPids);
    const QList<ListeningSocket> lsofRows = rowsOf(lsofSockets, childPids);
    printCount("scan_sockets_native", nativeRows.size());
    printCount("scan_sockets_lsof", lsofRows.size());
    printCount("scan_sockets_native_all", nativeSockets.size());
    printCount("scan_sockets_lsof_all", lsofSockets.size());
    printYesNo("scan_rows_agree", nativeRows == lsofRows);
    printFigure("scan_native_ms", nativeMs);
    printFigure("scan_lsof_ms", lsofMs);
    printFigure("scan_ratio", ratioOf(nativeMs, lsofMs), 4);

    const QString ss = ssProgram();
    if (!ss.isEmpty()) {
        QByteArray ssOutput = tools->runAndRead(ss, {QStringLiteral("-ltnp")});
        const double ssMs =
            medianMilliseconds(kRuns, [&] { ssOutput = tools->runAndRead(ss, {QStringLiteral("-ltnp")}); });
        printFigure("ss_ms", ssMs);
        printFigure("ss_vs_native", ratioOf(nativeMs, ssMs), 4);
    }

    const bool agree =
        nativeRows.size() == kChildren * kSocketsPerChild && nativeRows.size() == lsofRows.size();
    return agree ? 0 : 1;
}
