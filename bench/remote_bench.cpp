// One refresh of a remote machine with 20 servers (the fixed listing script over the shared ssh
// connection, and the reading of its output) against `ssh DEST true` over the same master: the round
// trip every command to that machine costs anyway. The machine is the tests' sshd in a network
// namespace (SshTestMachine): run as root, with sshd installed.
#include "BenchTiming.h"
#include "remote/RemoteListingReader.h"
#include "remote/RemoteScripts.h"
#include "remote/SshConnection.h"
#include "support/SshTestMachine.h"
#include "support/TestProcesses.h"

#include <QCoreApplication>
#include <QEventLoop>

using namespace tidewell;

namespace {

constexpr int kServers = 20;
constexpr int kRuns = 15;

// Runs one command over the connection and waits for it in an event loop, as a caller would.
SshConnection::Result runOnce(SshConnection& connection, const QString& command, const QByteArray& input)
{
    QEventLoop loop;
    SshConnection::Result result;
    connection.run(command, input, RemoteListingReader::kMaxOutputBytes,
                   [&](const SshConnection::Result& done) {
                       result = done;
                       loop.quit();
                   });
    loop.exec();
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    qputenv("TIDEWELL_TEST_DATA", TIDEWELL_TEST_DATA_DIR);
    test::SshTestMachine machine(QStringLiteral(TIDEWELL_PROGRAM));
    if (!machine.skipReason().isEmpty()) {
        std::fprintf(stderr, "remote bench skipped: %s\n", qPrintable(machine.skipReason()));
        return 0;
    }
    std::vector<std::unique_ptr<test::ChildProcess>> servers;
    for (int i = 0; i < kServers; ++i) {
        servers.push_back(machine.startInside(test::python3(), {test::listenerScript()}));
        if (!servers.back()->waitUntilReady()) {
            std::fprintf(stderr, "a server did not start\n");
            return 1;
        }
    }
    SshConnection connection(*SshDestination::parse(QStringLiteral("far")));
    // The master is opened once, before either side is timed.
    if (!runOnce(connection, QStringLiteral("true"), {}).error.isEmpty())
        return 1;
    qsizetype listed = 0;
    const bench::MedianPair medians = bench::compareMedians(
        kRuns,
        [&] {
            const auto result = runOnce(connection, QStringLiteral("sh -s"), RemoteScripts::listing());
            const auto listing = RemoteListingReader::read(result.output);
            listed = listing ? listing->servers.size() : -1;
        },
        kRuns, [&] { runOnce(connection, QStringLiteral("true"), {}); });
    if (listed != kServers) {
        std::fprintf(stderr, "the listing found %lld servers, not %d\n", static_cast<long long>(listed),
                     kServers);
        return 1;
    }
    std::printf("remote_refresh_ms: %.3f\nremote_true_ms: %.3f\nremote_refresh_ratio: %.3f\n",
                medians.nativeMs, medians.commandMs, medians.nativeMs / medians.commandMs);
    return 0;
}
