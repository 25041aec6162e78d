// How much faster the native origin walk (/proc/PID/stat, cmdline and cwd) is than the bash
// script that walks the same chain with ps and lsof, for a server started from a shell.

#include "BenchTiming.h"
#include "ChildProcessGroup.h"
#include "ProcessLookup.h"

#include "platform/ProcessSystemTools.h"
#include "platform/commands/ShellProcessTable.h"
#include "platform/linux/LinuxProcessTable.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <memory>
#include <unistd.h>

using namespace tidewell;
using namespace tidewell::bench;

namespace {

constexpr int kNativeRuns = 20;
constexpr int kScriptRuns = 10;
// Long enough for every run, short enough that a child left behind ends by itself.
constexpr char kShellCommand[] = "sleep 300; exit $?";
constexpr auto kStartTimeout = std::chrono::seconds(10);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);

    QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/tidewell-bench-origin-XXXXXX"));
    if (!folder.isValid()) {
        std::fprintf(stderr, "cannot create a temporary folder\n");
        return 2;
    }
    const QString expectedFolder = QDir(folder.path()).canonicalPath();
    const QByteArray folderPath = QFile::encodeName(expectedFolder);

    // bash runs the program as a child rather than exec'ing it, because of the command after it:
    // the chain is then program -> /bin/bash, as for a server typed into a terminal.
    ChildProcessGroup children;
    const pid_t shell = children.start([&folderPath] {
        if (::chdir(folderPath.constData()) != 0)
            ::_exit(126);
        ::execl("/bin/bash", "/bin/bash", "-c", kShellCommand, static_cast<char*>(nullptr));
        ::_exit(127);
    });
    if (shell < 0) {
        std::perror("fork");
        return 2;
    }
    const pid_t server = waitForChildRunning(shell, QByteArrayLiteral("sleep"), kStartTimeout);
    if (server == 0) {
        std::fprintf(stderr, "the program under bash did not start\n");
        return 2;
    }
    const QString pid = QString::number(server);
    printCount("origin_shell_pid", shell);
    printCount("origin_pid", server);

    LinuxProcessTable native;
    ShellProcessTable script(std::make_shared<ProcessSystemTools>());
    // One call of each first, so that neither side is timed with cold caches.
    std::optional<ProcessInfo> nativeOrigin = native.origin(pid);
    std::optional<ProcessInfo> scriptOrigin = script.origin(pid);
    const MedianPair times = compareMedians(
        kNativeRuns, [&] { nativeOrigin = native.origin(pid); }, kScriptRuns,
        [&] { scriptOrigin = script.origin(pid); });
    const double nativeMs = times.nativeMs;
    const double scriptMs = times.commandMs;

    const QString nativeFolder = nativeOrigin ? nativeOrigin->cwd : QString();
    const QString scriptFolder = scriptOrigin ? scriptOrigin->cwd : QString();
    const bool foldersAgree = !nativeFolder.isEmpty() && nativeFolder == scriptFolder;
    const bool commandsAgree = nativeOrigin && scriptOrigin && nativeOrigin->cmd == scriptOrigin->cmd;
    printText("origin_folder_expected", expectedFolder);
    printText("origin_folder_native", nativeFolder);
    printText("origin_folder_script", scriptFolder);
    printText("origin_command_native", nativeOrigin ? nativeOrigin->cmd : QString());
    printText("origin_command_script", scriptOrigin ? scriptOrigin->cmd : QString());
    printYesNo("origin_agree", foldersAgree);
    printYesNo("origin_commands_agree", commandsAgree);
    printFigure("origin_native_ms", nativeMs);
    printFigure("origin_script_ms", scriptMs);
    printFigure("origin_ratio", ratioOf(nativeMs, scriptMs), 4);

    return foldersAgree && nativeFolder == expectedFolder ? 0 : 1;
}
