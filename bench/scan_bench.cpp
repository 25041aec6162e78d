// How the native listing compares with the tools it replaces and with its own floor, at 10, 1,000
// and 5,000 listening sockets (in 1, 50 and 250 processes): a cold listing that walks every process
// against lsof, a steady one (the window's refresh when nothing changed) against `ss -ltnp`, and
// the steady one against the kernel's socket query alone.

#include "BenchTiming.h"
#include "ChildProcessGroup.h"

#include "platform/ListeningSocket.h"
#include "platform/ProcessSystemTools.h"
#include "platform/commands/LsofListingSource.h"
#include "platform/linux/KernelSocketListingSource.h"
#include "ports/DevServerTest.h"

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

constexpr int kSocketsPerChild = 20;
constexpr int kReadyTimeoutMs = 30'000;

constexpr char kChildReady = 'k';
constexpr char kChildFailed = 'x';

struct Size
{
    int sockets;
    int children;
    int toolRuns; // lsof at 5,000 sockets takes a second a run
    int nativeRuns;
};
constexpr Size kSizes[] = {{10, 1, 10, 200}, {1000, 50, 10, 100}, {5000, 250, 5, 40}};
// The bounds of the headline figures.
constexpr double kSteadyBound = 0.02;
constexpr double kFloorBound = 3.0;
constexpr double kColdBound = 0.2;

// Enough descriptors for lsof, which opens many files itself.
void raiseOpenFileLimit()
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return;
    const rlim_t wanted = 8192;
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
void listenAndWait(int readyFd, int sockets)
{
    bool ok = true;
    for (int socket = 0; socket < sockets; ++socket)
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
        char reports[256];
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

// Starts the children of one size; their pids, or nothing when they could not all listen.
std::optional<QSet<QString>> startChildren(ChildProcessGroup& children, const Size& size)
{
    int readyPipe[2];
    if (::pipe2(readyPipe, O_CLOEXEC) != 0)
        return std::nullopt;
    QSet<QString> pids;
    const int perChild = size.sockets / size.children;
    for (int child = 0; child < size.children; ++child) {
        const pid_t pid = children.start([&readyPipe, perChild] {
            ::close(readyPipe[0]);
            listenAndWait(readyPipe[1], perChild);
        });
        if (pid < 0)
            return std::nullopt;
        pids.insert(QString::number(pid));
    }
    ::close(readyPipe[1]);
    const int ready = waitForChildren(readyPipe[0], size.children);
    ::close(readyPipe[0]);
    if (ready != size.children)
        return std::nullopt;
    return pids;
}

// The rows of `pids`, named as lsof cuts names: the native listing gives the kernel's whole name.
QList<ListeningSocket> rowsOf(const QList<ListeningSocket>& sockets, const QSet<QString>& pids)
{
    QList<ListeningSocket> rows;
    for (ListeningSocket socket : sockets) {
        socket.command = listingToolCut(socket.command);
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

QByteArray figureName(const char* name, int sockets)
{
    return QByteArray(name) + '_' + QByteArray::number(sockets);
}

// The system calls of one steady listing and of one cold one, for `strace -f` to count between
// the two marker writes to a closed descriptor.
int markSystemCalls(int sockets)
{
    ChildProcessGroup children;
    const Size size{sockets, std::max(1, sockets / kSocketsPerChild), 0, 0};
    if (!startChildren(children, size))
        return 2;
    KernelSocketListingSource steady;
    for (int call = 0; call < 3; ++call)
        steady.listeningSockets();
    KernelSocketListingSource cold(1);
    (void)::write(-1, "steady-begin", 12);
    steady.listeningSockets();
    (void)::write(-1, "steady-end", 10);
    (void)::write(-1, "cold-begin", 10);
    cold.listeningSockets();
    (void)::write(-1, "cold-end", 8);
    return steady.lastWalk() == SocketOwners::Walk::none ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    raiseOpenFileLimit();
    if (argc == 3 && QByteArray(argv[1]) == "--mark-syscalls")
        return markSystemCalls(QByteArray(argv[2]).toInt());

    const auto tools = std::make_shared<ProcessSystemTools>();
    const QString ss = ssProgram();
    if (ss.isEmpty()) {
        std::fprintf(stderr, "ss is needed for the steady comparison\n");
        return 2;
    }
    double worstSteady = 0.0;
    double worstFloor = 0.0;
    double cold1000 = 0.0;
    bool agree = true;
    for (const Size& size : kSizes) {
        // The children are forked before Qt starts any machinery of its own.
        ChildProcessGroup children;
        const auto pids = startChildren(children, size);
        if (!pids) {
            std::fprintf(stderr, "not every child of %d sockets is listening\n", size.sockets);
            return 2;
        }
        QCoreApplication app(argc, argv);

        LsofListingSource lsof(tools);
        KernelSocketListingSource steady;
        QList<ListeningSocket> steadyRows;
        // Until every socket has its owner and nothing is left to walk.
        for (int call = 0; call < 3 || steady.lastWalk() != SocketOwners::Walk::none; ++call)
            steadyRows = steady.listeningSockets();
        QList<ListeningSocket> lsofRows = lsof.listeningSockets();

        const MedianPair cold = compareMedians(
            size.toolRuns, [&] { KernelSocketListingSource(1).listeningSockets(); }, size.toolRuns,
            [&] { lsofRows = lsof.listeningSockets(); });
        const MedianPair versusSs = compareMedians(
            size.nativeRuns, [&] { steadyRows = steady.listeningSockets(); }, size.toolRuns,
            [&] { tools->runAndRead(ss, {QStringLiteral("-ltnp")}); });
        const MedianPair versusFloor = compareMedians(
            size.nativeRuns, [&] { steady.listeningSockets(); }, size.nativeRuns,
            [&] { steady.listeningInodes(); });

        const auto mine = rowsOf(steadyRows, *pids);
        const bool sizeAgrees = mine.size() == size.sockets && mine == rowsOf(lsofRows, *pids);
        agree = agree && sizeAgrees;
        printYesNo(figureName("scan_rows_agree", size.sockets).constData(), sizeAgrees);
        printFigure(figureName("scan_cold_ms", size.sockets).constData(), cold.nativeMs);
        printFigure(figureName("scan_lsof_ms", size.sockets).constData(), cold.commandMs);
        printFigure(figureName("scan_steady_ms", size.sockets).constData(), versusSs.nativeMs);
        printFigure(figureName("scan_ss_ms", size.sockets).constData(), versusSs.commandMs);
        printFigure(figureName("scan_netlink_ms", size.sockets).constData(), versusFloor.commandMs);
        const double steadyRatio = ratioOf(versusSs.nativeMs, versusSs.commandMs);
        const double floorRatio = ratioOf(versusFloor.nativeMs, versusFloor.commandMs);
        const double coldRatio = ratioOf(cold.nativeMs, cold.commandMs);
        printFigure(figureName("scan_cold_ratio", size.sockets).constData(), coldRatio, 4);
        printFigure(figureName("scan_steady_ratio", size.sockets).constData(), steadyRatio, 4);
        printFigure(figureName("scan_floor_ratio", size.sockets).constData(), floorRatio, 2);
        worstSteady = std::max(worstSteady, steadyRatio);
        worstFloor = std::max(worstFloor, floorRatio);
        if (size.sockets == 1000)
            cold1000 = coldRatio;
    }
    printFigure("scan_steady_ratio", worstSteady, 4);
    printFigure("scan_floor_ratio", worstFloor, 2);
    printFigure("scan_cold_ratio", cold1000, 4);
    const bool within = worstSteady <= kSteadyBound && worstFloor <= kFloorBound && cold1000 <= kColdBound;
    printYesNo("scan_within_bounds", within);
    return agree ? (within ? 0 : 1) : 1;
}
