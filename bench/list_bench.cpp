// How long `tidewell --list` takes as a whole process, start-up included, against what a user would
// do by hand for the same answer: `lsof -iTCP -sTCP:LISTEN -n -P`, then one `curl -s` per server for
// its page, with five real development servers listening. Also, for information, against lsof alone,
// how much of it is the program's start alone (`tidewell --version`), how long a program linked to Qt
// Core takes to start and end doing nothing, and how many shared objects tidewell maps. Then the
// listing beside one process holding 5,000 ports against the same ports spread over 250 processes.

#include "BenchTiming.h"
#include "ChildProcessGroup.h"
#include "TinyServer.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QList>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <unistd.h>

extern char** environ;

using namespace tidewell::bench;

namespace {

constexpr int kServers = 5;
constexpr int kRuns = 31;
constexpr int kReadyTimeoutMs = 20'000;
constexpr double kByHandRatioBound = 0.6;
constexpr double kFloodBoundMs = 1000.0;
// One process with this many ports against as many spread over kSpreadProcesses.
constexpr int kManyPorts = 5000;
constexpr int kSpreadProcesses = 250;
constexpr int kManyRounds = 3;
constexpr double kManyRatioBound = 2.0;

// Runs `arguments` (an absolute program first) to its end with `extraEnvironment` added, and returns
// its standard output; standard error goes to /dev/null. Empty when it could not start.
QByteArray runToEnd(const QByteArrayList& arguments, const QByteArrayList& extraEnvironment = {})
{
    std::vector<char*> argv;
    for (const QByteArray& argument : arguments)
        argv.push_back(const_cast<char*>(argument.constData()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (char** variable = environ; *variable != nullptr; ++variable)
        envp.push_back(*variable);
    for (const QByteArray& variable : extraEnvironment)
        envp.push_back(const_cast<char*>(variable.constData()));
    envp.push_back(nullptr);

    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = -1;
    const int spawned = ::posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    QByteArray output;
    if (spawned == 0) {
        char buffer[65536];
        for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) != 0;) {
            if (n > 0)
                output.append(buffer, n);
            else if (errno != EINTR)
                break;
        }
        ::waitpid(child, nullptr, 0);
    }
    ::close(out[0]);
    return output;
}

// Starts one listener (tests/data/listener.py) named like a development server; its "ready <port>"
// line arrives on the returned descriptor.
int startServer(ChildProcessGroup& servers, const QByteArray& python, int number, const char* mode = "html")
{
    int ready[2];
    if (::pipe2(ready, O_CLOEXEC) != 0)
        return -1;
    const QByteArray title = "Server " + QByteArray::number(number);
    const pid_t child = servers.start([&] {
        ::dup2(ready[1], STDOUT_FILENO);
        ::execl(python.constData(), "python3", TIDEWELL_LISTENER, "--name", "node", "--title",
                title.constData(), "--mode", mode, static_cast<char*>(nullptr));
        ::_exit(127);
    });
    ::close(ready[1]);
    if (child < 0) {
        ::close(ready[0]);
        return -1;
    }
    return ready[0];
}

// The port of the "ready <port>" line on `fd`, or 0 when none came in time.
int readyPort(int fd)
{
    QByteArray line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kReadyTimeoutMs);
    while (!line.contains('\n')) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd entry{fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&entry, 1, int(left.count())) <= 0)
            return 0;
        char buffer[256];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            return 0;
        line.append(buffer, n);
    }
    return line.startsWith("ready ") ? line.mid(6, line.indexOf('\n') - 6).trimmed().toInt() : 0;
}

// How many of `ports` a table lists: tidewell's rows start with the port, lsof's NAME column ends
// with ":port (LISTEN)".
int listed(const QByteArray& table, const QList<int>& ports, bool lsof)
{
    int found = 0;
    for (const int port : ports) {
        const QByteArray text = QByteArray::number(port);
        for (const QByteArray& line : table.split('\n')) {
            if (lsof ? line.endsWith(':' + text + " (LISTEN)") : line.startsWith(text + ' ')) {
                ++found;
                break;
            }
        }
    }
    return found;
}

// How many rows of a tidewell table are for the kManyPorts ports from `firstPort` on.
int rowsInBlock(const QByteArray& table, int firstPort)
{
    int rows = 0;
    for (const QByteArray& line : table.split('\n')) {
        const int port = line.left(line.indexOf(' ')).toInt();
        rows += port >= firstPort && port < firstPort + kManyPorts ? 1 : 0;
    }
    return rows;
}

// The shared objects the dynamic loader maps for `tidewell --list`, the loader itself included.
int mappedObjects(const QByteArray& tidewell)
{
    QTemporaryDir folder;
    const QByteArray prefix = QFile::encodeName(folder.filePath(QStringLiteral("ld")));
    runToEnd({tidewell, "--list"}, {"LD_DEBUG=files", "LD_DEBUG_OUTPUT=" + prefix});
    int objects = 0;
    for (const QString& name : QDir(folder.path()).entryList(QDir::Files)) {
        QFile report(folder.filePath(name));
        if (report.open(QIODevice::ReadOnly))
            objects += int(report.readAll().count("generating link map"));
    }
    return objects + 1;
}

// Enough descriptors for a child holding kManyPorts sockets; false when the hard limit is lower.
bool raiseOpenFileLimit()
{
    rlimit limit{};
    const rlim_t wanted = kManyPorts + 256;
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_max < wanted)
        return false;
    if (limit.rlim_cur < wanted) {
        limit.rlim_cur = wanted;
        return ::setrlimit(RLIMIT_NOFILE, &limit) == 0;
    }
    return true;
}

// The first of kManyPorts ports in a row of 127.0.0.1 that nothing listens on, below the ephemeral
// range, so that the closed connections of earlier listings do not use them up; 0 when none is found.
int freePortBlock()
{
    for (int first = 10'000; first + kManyPorts < 32'768; first += kManyPorts) {
        bool free = true;
        for (int port = first; port < first + kManyPorts && free; ++port) {
            const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            const int on = 1;
            ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
            sockaddr_in address{};
            address.sin_family = AF_INET;
            address.sin_port = htons(uint16_t(port));
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            free = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
            ::close(fd);
        }
        if (free)
            return first;
    }
    return 0;
}

// Starts `processes` children that together hold the kManyPorts ports from `firstPort` on, each
// answering with a page titled "Held"; their pids, or nothing when not all of them listen in time.
std::optional<std::vector<pid_t>> startPortHolders(ChildProcessGroup& group, int firstPort, int processes)
{
    int ready[2];
    if (::pipe2(ready, O_CLOEXEC) != 0)
        return std::nullopt;
    std::vector<pid_t> pids;
    for (int child = 0; child < processes; ++child) {
        const pid_t pid = group.start([&] {
            ::close(ready[0]);
            const int each = kManyPorts / processes;
            serveTinyPagesOnPorts(ready[1], firstPort + child * each, each, "Held");
        });
        if (pid > 0)
            pids.push_back(pid);
    }
    ::close(ready[1]);
    int listening = 0;
    int reported = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kReadyTimeoutMs);
    while (reported < int(pids.size())) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd entry{ready[0], POLLIN, 0};
        if (left.count() <= 0 || ::poll(&entry, 1, int(left.count())) <= 0)
            break;
        char reports[256];
        const ssize_t n = ::read(ready[0], reports, sizeof reports);
        if (n <= 0)
            break;
        for (ssize_t i = 0; i < n; ++i) {
            ++reported;
            listening += reports[i] == 'k' ? 1 : 0;
        }
    }
    ::close(ready[0]);
    if (listening != processes) {
        for (const pid_t pid : pids)
            group.kill(pid);
        return std::nullopt;
    }
    return pids;
}

QByteArray programIn(std::initializer_list<const char*> candidates)
{
    for (const char* candidate : candidates) {
        if (::access(candidate, X_OK) == 0)
            return candidate;
    }
    return {};
}

} // namespace

int main(int argc, char** argv)
{
    // The floor under any command line built on Qt: this program itself, linked to Qt Core alone,
    // started with this argument, makes its application object and ends.
    if (argc == 2 && QByteArray(argv[1]) == "--qt-start-only") {
        QCoreApplication app(argc, argv);
        return 0;
    }
    // `--program PATH` times another build of tidewell (an older one, say) in the same way.
    const QByteArray tidewell =
        argc == 3 && QByteArray(argv[1]) == "--program" ? QByteArray(argv[2]) : QByteArray(TIDEWELL_PROGRAM);
    const QByteArray python = QFile::encodeName(QStandardPaths::findExecutable(QStringLiteral("python3")));
    const QByteArray lsof = programIn({"/usr/bin/lsof", "/usr/sbin/lsof", "/bin/lsof"});
    const QByteArray curl = programIn({"/usr/bin/curl", "/bin/curl", "/usr/local/bin/curl"});
    if (python.isEmpty() || lsof.isEmpty() || curl.isEmpty()) {
        std::fprintf(stderr, "python3, lsof and curl are needed\n");
        return 2;
    }
    ChildProcessGroup servers;
    QList<int> ports;
    for (int number = 1; number <= kServers; ++number) {
        const int fd = startServer(servers, python, number);
        const int port = fd < 0 ? 0 : readyPort(fd);
        if (fd >= 0)
            ::close(fd);
        if (port == 0) {
            std::fprintf(stderr, "server %d did not start listening\n", number);
            return 2;
        }
        ports.append(port);
    }

    const QByteArrayList list{tidewell, "--list"};
    const QByteArrayList lsofList{lsof, "-iTCP", "-sTCP:LISTEN", "-n", "-P"};
    // One run of each first, so that neither side is timed with cold caches; their tables are checked.
    const QByteArray tidewellTable = runToEnd(list);
    const QByteArray lsofTable = runToEnd(lsofList);
    // By hand: the listing, then each server's page, one after the other as a shell loop asks them.
    QList<QByteArrayList> pageRequests;
    for (const int port : ports)
        pageRequests.append({curl, "-s", "http://localhost:" + QByteArray::number(port) + '/'});
    QByteArray pages;
    const auto byHand = [&] {
        runToEnd(lsofList);
        for (const QByteArrayList& request : pageRequests)
            pages = runToEnd(request);
    };
    // The three take turns, so that a busy moment slows each alike.
    std::vector<double> tidewellTimes, lsofTimes, byHandTimes;
    for (int run = 0; run < kRuns; ++run) {
        tidewellTimes.push_back(elapsedMilliseconds([&] { runToEnd(list); }));
        lsofTimes.push_back(elapsedMilliseconds([&] { runToEnd(lsofList); }));
        byHandTimes.push_back(elapsedMilliseconds(byHand));
    }
    const double tidewellMs = medianOf(std::move(tidewellTimes));
    const double lsofMs = medianOf(std::move(lsofTimes));
    const double byHandMs = medianOf(std::move(byHandTimes));
    const double startMs = medianMilliseconds(kRuns, [&] { runToEnd({tidewell, "--version"}); });
    const QByteArray self = QFile::encodeName(QFile::symLinkTarget(QStringLiteral("/proc/self/exe")));
    const double qtFloorMs = medianMilliseconds(kRuns, [&] { runToEnd({self, "--qt-start-only"}); });

    // Beside one process holding kManyPorts ports, and beside the same ports spread over
    // kSpreadProcesses processes, taking turns: each process's descriptors are read once per listing,
    // so the one process costs no more than the many. Every listing must show the five servers and
    // every held port.
    std::vector<double> oneProcessTimes, spreadTimes;
    const int firstHeldPort = freePortBlock();
    bool manyComplete = raiseOpenFileLimit() && firstHeldPort != 0;
    for (int round = 0; round < kManyRounds && manyComplete; ++round) {
        for (const int processes : {1, kSpreadProcesses}) {
            const auto holders = startPortHolders(servers, firstHeldPort, processes);
            if (!holders) {
                manyComplete = false;
                break;
            }
            QByteArray table;
            (processes == 1 ? oneProcessTimes : spreadTimes).push_back(elapsedMilliseconds([&] {
                table = runToEnd(list);
            }));
            manyComplete = manyComplete && listed(table, ports, false) == kServers &&
                           rowsInBlock(table, firstHeldPort) == kManyPorts;
            for (const pid_t pid : *holders)
                servers.kill(pid);
        }
    }
    const double oneProcessMs = manyComplete ? medianOf(std::move(oneProcessTimes)) : 0.0;
    const double spreadMs = manyComplete ? medianOf(std::move(spreadTimes)) : 0.0;
    const double manyRatio = manyComplete ? ratioOf(oneProcessMs, spreadMs) : 0.0;

    // Beside a server that sends header lines for as long as it is read, the listing still ends at
    // once with every other page.
    int floodPages = 0;
    double floodMs = 0.0;
    const int floodFd = startServer(servers, python, kServers + 1, "flood");
    const int floodPort = floodFd < 0 ? 0 : readyPort(floodFd);
    if (floodFd >= 0)
        ::close(floodFd);
    if (floodPort != 0) {
        QByteArray floodTable;
        floodMs = medianMilliseconds(9, [&] { floodTable = runToEnd(list); });
        for (int number = 1; number <= kServers; ++number)
            floodPages += floodTable.contains("Server " + QByteArray::number(number) + ' ') ? 1 : 0;
    }

    const int tidewellFound = listed(tidewellTable, ports, false);
    const int lsofFound = listed(lsofTable, ports, true);
    const double ratio = ratioOf(tidewellMs, lsofMs);
    const double byHandRatio = ratioOf(tidewellMs, byHandMs);
    printCount("list_servers", kServers);
    printCount("list_servers_tidewell", tidewellFound);
    printCount("list_servers_lsof", lsofFound);
    // Every row tidewell printed: other people's servers are probed too, and one that never answers
    // holds the whole list for its timeout.
    printCount("list_rows_tidewell", qMax(0, int(tidewellTable.count('\n')) - 1));
    printFigure("list_tidewell_ms", tidewellMs);
    printFigure("list_lsof_ms", lsofMs);
    printFigure("list_ratio", ratio, 4);
    printFigure("list_byhand_ms", byHandMs);
    printFigure("list_byhand_ratio", byHandRatio, 4);
    printFigure("list_start_ms", startMs);
    printFigure("list_start_share", ratioOf(startMs, tidewellMs), 4);
    printFigure("list_qt_floor_ms", qtFloorMs);
    printFigure("list_qt_floor_ratio", ratioOf(qtFloorMs, lsofMs), 4);
    printCount("list_mapped_objects", mappedObjects(tidewell));
    printFigure("list_flood_ms", floodMs);
    printCount("list_flood_pages", floodPages);
    printFigure("list_5000_one_process_ms", oneProcessMs);
    printFigure("list_5000_spread_ms", spreadMs);
    printFigure("list_5000_ratio", manyRatio, 4);
    printYesNo("list_5000_complete", manyComplete);
    printYesNo("list_within_bound", byHandRatio <= kByHandRatioBound && floodPages == kServers &&
                                        floodMs < kFloodBoundMs && manyComplete &&
                                        manyRatio < kManyRatioBound);
    const bool pagesServed = pages.contains("<title>Server ");
    return tidewellFound == kServers && lsofFound == kServers && pagesServed ? 0 : 1;
}
