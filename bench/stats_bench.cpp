// How much faster one native statistics reading (/proc/PID/stat and the repository's HEAD) is
// than the zsh command that asks ps and git, for a process in a git work tree.

#include "BenchTiming.h"
#include "ChildProcessGroup.h"
#include "ProcessLookup.h"

#include "platform/ProcessSystemTools.h"
#include "platform/commands/ShellProcessTable.h"
#include "platform/linux/LinuxProcessTable.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <memory>
#include <unistd.h>

using namespace tidewell;
using namespace tidewell::bench;

namespace {

constexpr int kNativeRuns = 20;
constexpr int kScriptRuns = 10;
constexpr auto kStartTimeout = std::chrono::seconds(10);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const auto tools = std::make_shared<ProcessSystemTools>();

    QTemporaryDir repository(QDir::tempPath() + QStringLiteral("/tidewell-bench-stats-XXXXXX"));
    if (!repository.isValid()) {
        std::fprintf(stderr, "cannot create a temporary folder\n");
        return 2;
    }
    const QString cwd = QDir(repository.path()).canonicalPath();

    // Without git both sides should agree on an empty branch; the timing still means something.
    const QString git = QStandardPaths::findExecutable(QStringLiteral("git"));
    const QString expectedBranch = git.isEmpty() ? QString() : QStringLiteral("main");
    printText("stats_git", git.isEmpty() ? QStringLiteral("missing") : git);
    if (!git.isEmpty())
        tools->runAndWait(git, {QStringLiteral("-C"), cwd, QStringLiteral("init"), QStringLiteral("-q"),
                                QStringLiteral("-b"), QStringLiteral("main")});

    const QByteArray folderPath = QFile::encodeName(cwd);
    ChildProcessGroup children;
    const pid_t server = children.start([&folderPath] {
        if (::chdir(folderPath.constData()) != 0)
            ::_exit(126);
        ::execlp("sleep", "sleep", "300", static_cast<char*>(nullptr));
        ::_exit(127);
    });
    if (server < 0) {
        std::perror("fork");
        return 2;
    }
    if (!waitForProgram(server, QByteArrayLiteral("sleep"), kStartTimeout)) {
        std::fprintf(stderr, "the child did not start sleep\n");
        return 2;
    }
    const QString pid = QString::number(server);
    printCount("stats_pid", server);

    LinuxProcessTable native;
    ShellProcessTable script(tools);
    // One call of each first, so that neither side is timed with cold caches.
    std::optional<ProcessReading> nativeReading = native.reading(pid, cwd);
    std::optional<ProcessReading> scriptReading = script.reading(pid, cwd);
    const MedianPair times = compareMedians(
        kNativeRuns, [&] { nativeReading = native.reading(pid, cwd); }, kScriptRuns,
        [&] { scriptReading = script.reading(pid, cwd); });
    const double nativeMs = times.nativeMs;
    const double scriptMs = times.commandMs;

    const QString nativeBranch = nativeReading ? nativeReading->gitBranch : QString();
    const QString scriptBranch = scriptReading ? scriptReading->gitBranch : QString();
    const bool branchesAgree = nativeReading && scriptReading && nativeBranch == scriptBranch;
    printText("stats_branch_expected", expectedBranch);
    printText("stats_branch_native", nativeBranch);
    printText("stats_branch_script", scriptBranch);
    printYesNo("stats_branch_agree", branchesAgree);
    printText("stats_rss_kb_native", nativeReading ? nativeReading->rssKilobytes : QString());
    printText("stats_rss_kb_script", scriptReading ? scriptReading->rssKilobytes : QString());
    // Informational only: a mismatch is worth a look, but the run does not fail on it.
    printYesNo("stats_rss_agree",
               nativeReading && scriptReading && nativeReading->rssKilobytes == scriptReading->rssKilobytes);
    printFigure("stats_native_ms", nativeMs);
    printFigure("stats_script_ms", scriptMs);
    printFigure("stats_ratio", ratioOf(nativeMs, scriptMs), 4);

    return branchesAgree && nativeBranch == expectedBranch ? 0 : 1;
}
