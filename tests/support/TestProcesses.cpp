#include "TestProcesses.h"

#include "platform/commands/ShellQuoting.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTest>
#include <csignal>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace tidewell::test {

ChildProcess::ChildProcess(const QString& program, const QStringList& arguments,
                           const QString& workingDirectory, const QProcessEnvironment& environment,
                           QProcess::ProcessChannelMode channels)
{
    m_process.setProgram(program);
    m_process.setArguments(arguments);
    if (!workingDirectory.isEmpty())
        m_process.setWorkingDirectory(workingDirectory);
    if (!environment.isEmpty())
        m_process.setProcessEnvironment(environment);
    m_process.setProcessChannelMode(channels);
    m_process.setChildProcessModifier([] { ::setpgid(0, 0); });
    m_process.start();
}

ChildProcess::~ChildProcess()
{
    kill();
}

bool ChildProcess::waitUntilReady(int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    QByteArray buffer;
    while (!deadline.hasExpired()) {
        if (!m_process.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime()))))
            break;
        buffer += m_process.readAll();
        const qsizetype end = buffer.indexOf('\n');
        if (end < 0)
            continue;
        m_output = buffer.mid(end + 1);
        const QList<QByteArray> words = buffer.left(end).trimmed().split(' ');
        if (words.value(0) != "ready")
            return false;
        m_port = words.value(1).toInt();
        return true;
    }
    return false;
}

QByteArray ChildProcess::output()
{
    m_output += m_process.readAllStandardOutput();
    return m_output;
}

void ChildProcess::kill()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    ::kill(-pid_t(m_process.processId()), SIGKILL);
    m_process.waitForFinished(5000);
}

QString listenerScript()
{
    return qEnvironmentVariable("TIDEWELL_TEST_DATA") + u"/listener.py"_s;
}

QString findProgram(const QString& name)
{
    return QStandardPaths::findExecutable(name);
}

QList<qint64> childPids(qint64 pid)
{
    // Each thread of the process keeps its own list of the children it started.
    QList<qint64> children;
    const QString tasks = u"/proc/%1/task"_s.arg(pid);
    for (const QString& task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QByteArray words = fileContent(tasks + u'/' + task + u"/children"_s);
        for (const QByteArray& word : words.simplified().split(' ')) {
            if (!word.isEmpty())
                children.append(word.toLongLong());
        }
    }
    return children;
}

bool startedByThisTest(qint64 pid)
{
    // Up the parents, as /proc/PID/stat gives them after the name in parentheses.
    for (int depth = 0; pid > 1 && depth < 64; ++depth) {
        if (pid == QCoreApplication::applicationPid())
            return true;
        const QByteArray stat = fileContent(u"/proc/%1/stat"_s.arg(pid));
        pid = stat.mid(stat.lastIndexOf(')') + 2).split(' ').value(1).toLongLong();
    }
    return false;
}

QByteArray firstLine(QProcess& process, int timeoutMs)
{
    QByteArray output;
    const QDeadlineTimer deadline(timeoutMs);
    while (!output.contains('\n') && process.waitForReadyRead(int(deadline.remainingTime())))
        output += process.readAllStandardOutput();
    return output.contains('\n') ? output.left(output.indexOf('\n')).trimmed() : QByteArray();
}

QByteArray fileContent(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

ProgramRun runProgram(const QString& program, const QStringList& arguments,
                      const QProcessEnvironment& environment, int timeoutMs)
{
    QProcess process;
    QProcessEnvironment full = QProcessEnvironment::systemEnvironment();
    full.insert(environment);
    process.setProcessEnvironment(full);
    process.start(program, arguments);
    if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    const int exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return {exitCode, process.readAllStandardOutput(), process.readAllStandardError()};
}

QString python3()
{
    return findProgram(u"python3"_s);
}

std::unique_ptr<ChildProcess> startListener(const QStringList& options, const QString& workingDirectory)
{
    return std::make_unique<ChildProcess>(python3(), QStringList{listenerScript()} + options,
                                          workingDirectory);
}

std::unique_ptr<ChildProcess> startListenerFromShell(const QStringList& options, const QString& folder)
{
    QStringList words{shellQuoted(python3()), shellQuoted(listenerScript())};
    for (const QString& option : options)
        words.append(shellQuoted(option));
    // The trailing "exit" keeps bash from replacing itself with the listener.
    const QString script = words.join(u' ') + u"; exit $?"_s;
    return std::make_unique<ChildProcess>(u"/bin/bash"_s, QStringList{u"-c"_s, script}, folder);
}

} // namespace tidewell::test
