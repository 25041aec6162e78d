#pragma once

#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <memory>

namespace tidewell::test {

// A child process started in its own process group, so that it and everything it starts is
// killed when the object goes away.
class ChildProcess
{
public:
    // An empty environment is the test's own.
    ChildProcess(const QString& program, const QStringList& arguments, const QString& workingDirectory = {},
                 const QProcessEnvironment& environment = {},
                 QProcess::ProcessChannelMode channels = QProcess::ForwardedErrorChannel);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Waits for the line "ready <port>..." on standard output; false if it never comes (a loaded
    // machine may take many seconds to start an interpreter).
    bool waitUntilReady(int timeoutMs = 60000);
    // The first port of the ready line.
    int port() const { return m_port; }
    qint64 pid() const { return m_process.processId(); }
    void kill();
    // Everything printed on standard output after the ready line so far.
    QByteArray output();
    // How many whole lines of that output are `line`.
    int count(const QByteArray& line) { return int(output().split('\n').count(line)); }
    QProcess& process() { return m_process; }

private:
    QProcess m_process;
    int m_port = 0;
    QByteArray m_output;
};

// Paths and programs the tests need.
QString listenerScript();
QString python3();
// An executable found on PATH, or empty.
QString findProgram(const QString& name);
// The processes whose parent is `pid`, in no particular order.
QList<qint64> childPids(qint64 pid);
// Whether `pid` is this test or below a process it started: the only servers a test may ask.
bool startedByThisTest(qint64 pid);
// The first line `process` prints on standard output, trimmed; empty when none comes in time.
QByteArray firstLine(QProcess& process, int timeoutMs);
// A file's content, or nothing when it cannot be read.
QByteArray fileContent(const QString& path);
// Writes `content` to `path`, making its folder first; false when that fails.
bool writeFile(const QString& path, const QByteArray& content);

// One finished run of a program: exit code (-1 if it crashed or did not end in time) and output.
struct ProgramRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};
// Runs `program` to its end with `environment` added to the test's own, serving this thread's
// events meanwhile (a stand-in server of the test may be what it talks to).
ProgramRun runProgram(const QString& program, const QStringList& arguments,
                      const QProcessEnvironment& environment = {}, int timeoutMs = 30000);

// Starts tests/data/listener.py with the given options, directly (its parent is the test).
std::unique_ptr<ChildProcess> startListener(const QStringList& options, const QString& workingDirectory = {});
// Starts the listener as the child of "/bin/bash -c", as a terminal would, in `folder`.
std::unique_ptr<ChildProcess> startListenerFromShell(const QStringList& options, const QString& folder);

} // namespace tidewell::test
