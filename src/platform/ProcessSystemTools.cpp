#include "platform/ProcessSystemTools.h"

#include <QElapsedTimer>
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

void ProcessSystemTools::startWatched(const QString& program, const QStringList& arguments,
                                      const QString& workingDirectory,
                                      std::function<void(const QString&)> onFailure)
{
    // No parent: nothing deletes it while it runs, which would kill it; it deletes itself once it ends.
    auto* process = new QProcess;
    process->setProgram(program);
    process->setArguments(arguments);
    if (!workingDirectory.isEmpty())
        process->setWorkingDirectory(workingDirectory);
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    struct Watch
    {
        QElapsedTimer started;
        QByteArray errors;
        bool reported = false;
    };
    const auto watch = std::make_shared<Watch>();
    watch->started.start();
    const auto report = [watch, onFailure = std::move(onFailure)](const QString& reason) {
        if (std::exchange(watch->reported, true) || !onFailure)
            return;
        onFailure(reason);
    };
    // What it says on standard error is its reason; the rest is read and dropped, so that a
    // program that goes on talking never blocks on a full pipe.
    QObject::connect(process, &QProcess::readyReadStandardError, process, [process, watch] {
        const QByteArray more = process->readAllStandardError();
        if (watch->errors.size() < 1024)
            watch->errors += more.left(1024 - watch->errors.size());
    });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, program, report](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart)
                             return;
                         report(program + QStringLiteral(" could not be started"));
                         process->deleteLater();
                     });
    QObject::connect(
        process, &QProcess::finished, process,
        [process, program, watch, report](int exitCode, QProcess::ExitStatus status) {
            if ((status != QProcess::NormalExit || exitCode != 0) && watch->started.elapsed() < kWatchMs) {
                const QString said =
                    QString::fromLocal8Bit(watch->errors).trimmed().section(QLatin1Char('\n'), 0, 0);
                report(said.isEmpty()
                           ? program + QStringLiteral(" ended with status ") + QString::number(exitCode)
                           : said.left(200));
            }
            process->deleteLater();
        });
    process->start();
}

} // namespace tidewell
