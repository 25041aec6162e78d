#pragma once

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <string>
#include <sys/prctl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace tidewell::bench {

// The children a benchmark starts, kept in one process group of their own so that one killpg()
// ends them together with anything they started. They are killed when the group goes out of
// scope, when the benchmark exits, is interrupted or crashes, and, through PR_SET_PDEATHSIG,
// when the benchmark itself is killed outright. One group at a time per benchmark.
class ChildProcessGroup
{
public:
    ChildProcessGroup() { installCleanup(); }
    ~ChildProcessGroup() { killAll(); }
    ChildProcessGroup(const ChildProcessGroup&) = delete;
    ChildProcessGroup& operator=(const ChildProcessGroup&) = delete;

    // Forks a child that runs `body` and exits when it returns; -1 when fork fails. The body
    // runs in a fork of this program, so it should stick to plain system calls (and exec).
    pid_t start(const std::function<void()>& body)
    {
        const pid_t parent = ::getpid();
        const pid_t group = s_groupId;
        const pid_t child = ::fork();
        if (child < 0)
            return -1;
        if (child == 0) {
            ::setpgid(0, group);
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            // The benchmark may have died before the line above took effect.
            if (::getppid() != parent)
                ::_exit(1);
            restoreDefaultSignals();
            body();
            ::_exit(0);
        }
        // Joined from both sides, so the group exists whichever of the two runs first.
        ::setpgid(child, group == 0 ? child : group);
        if (group == 0)
            s_groupId = child;
        m_children.push_back(child);
        return child;
    }

    // Runs the program `command[0]` with `command` as its arguments; its standard output goes to
    // /dev/null, so that a server's "ready" line does not mix with the figures.
    pid_t startQuiet(std::vector<std::string> command)
    {
        std::vector<char*> argv;
        for (std::string& part : command)
            argv.push_back(part.data());
        argv.push_back(nullptr);
        return start([&argv] {
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, STDOUT_FILENO);
            ::execv(argv.front(), argv.data());
            ::_exit(127);
        });
    }

    // Starts the test listener `script` under `python` as a development server named "node" with the
    // page title `title`.
    pid_t startNodeListener(const char* python, const char* script, const char* title)
    {
        return startQuiet({python, script, "--name", "node", "--title", title});
    }

    // Kills one child started here and waits for it.
    void kill(pid_t child)
    {
        const auto found = std::find(m_children.begin(), m_children.end(), child);
        if (found == m_children.end())
            return;
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        m_children.erase(found);
    }

    void killAll()
    {
        killGroup();
        for (const pid_t child : m_children)
            ::waitpid(child, nullptr, 0);
        m_children.clear();
        s_groupId = 0;
    }

private:
    static inline const int kFatalSignals[] = {SIGINT,  SIGTERM, SIGHUP, SIGQUIT,
                                               SIGABRT, SIGSEGV, SIGBUS, SIGFPE};
    static inline volatile std::sig_atomic_t s_groupId = 0;

    static void killGroup()
    {
        if (s_groupId != 0)
            ::killpg(s_groupId, SIGKILL);
    }

    static void onFatalSignal(int signalNumber)
    {
        killGroup();
        std::signal(signalNumber, SIG_DFL);
        std::raise(signalNumber);
    }

    static void installCleanup()
    {
        static const bool installed = [] {
            std::atexit(killGroup);
            for (const int signalNumber : kFatalSignals)
                std::signal(signalNumber, onFatalSignal);
            return true;
        }();
        (void)installed;
    }

    static void restoreDefaultSignals()
    {
        for (const int signalNumber : kFatalSignals)
            std::signal(signalNumber, SIG_DFL);
    }

    std::vector<pid_t> m_children;
};

} // namespace tidewell::bench
