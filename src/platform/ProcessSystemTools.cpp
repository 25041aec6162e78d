#include "platform/ProcessSystemTools.h"

#include <QProcess>

namespace tidewell {

namespace {

bool runToEnd(QProcess& process, const QString& program, const QStringList& arguments)
{
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, arguments, QIODevice::ReadOnly);
    if (!process.waitForStarted())
        return false;
    if (!process.waitForFinished(ProcessSystemTools::kTimeoutMs)) {
        process.kill();
        process.waitForFinished();
    }
    return true;
}

} // namespace

QByteArray ProcessSystemTools::runAndRead(const QString& program, const QStringList& arguments)
{
    QProcess process;
    if (!runToEnd(process, program, arguments))
        return {};
    return process.readAllStandardOutput();
}

void ProcessSystemTools::runAndWait(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    runToEnd(process, program, arguments);
}

bool ProcessSystemTools::startDetached(const QString& program, const QStringList& arguments,
                                       const QString& workingDirectory)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    if (!workingDirectory.isEmpty())
        process.setWorkingDirectory(workingDirectory);
    process.setStandardInputFile(QProcess::nullDevice());
    return process.startDetached();
}

} // namespace tidewell
