#include "remote/SshConnection.h"

#include "platform/LogCategories.h"
#include "records/DisplayText.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>

namespace tidewell {

SshConnection::SshConnection(SshDestination destination, QString controlFolder, QObject* parent)
    : QObject(parent), m_destination(std::move(destination)), m_controlFolder(std::move(controlFolder))
{}

SshConnection::~SshConnection()
{
    // A command still running ends here, unanswered: whoever asked goes with us. Left to QProcess's
    // own destructor, its kill would report the end to a completion that reaches into this object
    // after its members are gone.
    for (QProcess* process : findChildren<QProcess*>(Qt::FindDirectChildrenOnly)) {
        process->disconnect();
        process->kill();
        process->waitForFinished(kKilledWaitMs);
    }
    if (m_dynamicPort == 0)
        return;
    const QString ssh = QStandardPaths::findExecutable(QStringLiteral("ssh"));
    if (!ssh.isEmpty())
        QProcess::startDetached(ssh, masterOptions() +
                                         QStringList{QStringLiteral("-O"), QStringLiteral("cancel"),
                                                     QStringLiteral("-D"),
                                                     QStringLiteral("127.0.0.1:%1").arg(m_dynamicPort)} +
                                         m_destination.sshArguments());
}

QString SshConnection::defaultControlFolder()
{
    const QString folder =
        QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + QStringLiteral("/tidewell");
    QDir().mkpath(folder);
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return folder;
}

QString SshConnection::failureReason(const QByteArray& errorOutput, int exitCode)
{
    const QString text = QString::fromUtf8(errorOutput.left(kMaxErrorBytes));
    if (exitCode == 255) {
        if (text.contains(QLatin1String("Permission denied (")))
            return QCoreApplication::translate("SshConnection", "needs a key or an agent");
        if (text.contains(QLatin1String("Host key verification failed")) ||
            (text.contains(QLatin1String("host key is known")) && text.contains(QLatin1String("No "))))
            return QCoreApplication::translate("SshConnection", "host key not known: connect once with ssh");
    }
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const QString clean = DisplayText::oneLine(line).trimmed().left(300);
        if (!clean.isEmpty())
            return clean;
    }
    return exitCode == -1 ? QCoreApplication::translate("SshConnection", "ssh did not run")
                          : QCoreApplication::translate("SshConnection", "exited with %1").arg(exitCode);
}

QStringList SshConnection::masterOptions() const
{
    return {QStringLiteral("-o"), QStringLiteral("BatchMode=yes"),
            QStringLiteral("-o"), QStringLiteral("ControlMaster=auto"),
            QStringLiteral("-o"), QStringLiteral("ControlPath=") + m_controlFolder + QStringLiteral("/%C"),
            QStringLiteral("-o"), QStringLiteral("ControlPersist=%1").arg(kPersistSeconds),
            QStringLiteral("-o"), QStringLiteral("ConnectTimeout=%1").arg(kConnectTimeoutSeconds),
            QStringLiteral("-T")};
}

QProcess* SshConnection::start(const QStringList& arguments, const QByteArray& input,
                               qsizetype maxOutputBytes, Done done)
{
    auto* process = new QProcess(this);
    auto result = std::make_shared<Result>();
    auto errors = std::make_shared<QByteArray>();
    auto overflow = std::make_shared<bool>(false);
    connect(process, &QProcess::readyReadStandardOutput, process, [=] {
        result->output += process->readAllStandardOutput();
        if (result->output.size() > maxOutputBytes && !*overflow) {
            *overflow = true;
            process->kill();
        }
    });
    connect(process, &QProcess::readyReadStandardError, process, [=] {
        const QByteArray bytes = process->readAllStandardError();
        if (errors->size() < kMaxErrorBytes)
            errors->append(bytes.left(kMaxErrorBytes - errors->size()));
    });
    const auto finish = [=, this](int exitCode) {
        result->output += process->readAllStandardOutput();
        result->exitCode = exitCode;
        if (*overflow) {
            result->output.truncate(maxOutputBytes);
            result->error = QCoreApplication::translate("SshConnection", "listing over %1 KiB")
                                .arg(maxOutputBytes / 1024);
        } else if (exitCode != 0) {
            result->error = failureReason(*errors, exitCode);
        }
        if (!result->error.isEmpty())
            qCDebug(lcRemote) << m_destination.text() << arguments.mid(masterOptions().size())
                              << result->error;
        process->disconnect();
        process->deleteLater();
        done(*result);
    };
    connect(process, &QProcess::finished, process, [=](int exitCode, QProcess::ExitStatus status) {
        finish(status == QProcess::NormalExit ? exitCode : -1);
    });
    connect(process, &QProcess::errorOccurred, process, [=](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            errors->append("ssh not found");
            finish(-1);
        }
    });
    const QString ssh = QStandardPaths::findExecutable(QStringLiteral("ssh"));
    if (ssh.isEmpty()) {
        QMetaObject::invokeMethod(
            this,
            [finish, errors] {
                errors->append("ssh not found");
                finish(-1);
            },
            Qt::QueuedConnection);
        return process;
    }
    process->start(ssh, masterOptions() + arguments);
    if (!input.isEmpty())
        process->write(input);
    process->closeWriteChannel();
    return process;
}

void SshConnection::run(const QString& remoteCommand, const QByteArray& input, qsizetype maxOutputBytes,
                        Done done)
{
    start(m_destination.sshArguments() << remoteCommand, input, maxOutputBytes, std::move(done));
}

void SshConnection::withMaster(std::function<void(const QString&)> then)
{
    start(QStringList{QStringLiteral("-O"), QStringLiteral("check")} + m_destination.sshArguments(), {},
          kMaxErrorBytes, [this, then](const Result& check) {
              if (check.exitCode == 0) {
                  then({});
                  return;
              }
              // A first command starts the master, which stays in the background.
              run(QStringLiteral("true"), {}, kMaxErrorBytes,
                  [then](const Result& started) { then(started.error); });
          });
}

void SshConnection::forward(const QString& option, const QString& ports, int localPort, ForwardDone done)
{
    withMaster([this, option, ports, localPort, done](const QString& error) {
        if (!error.isEmpty()) {
            done(0, error);
            return;
        }
        start(QStringList{QStringLiteral("-O"), QStringLiteral("forward"), option, ports} +
                  m_destination.sshArguments(),
              {}, kMaxErrorBytes, [localPort, done](const Result& result) {
                  done(result.error.isEmpty() ? localPort : 0, result.error);
              });
    });
}

void SshConnection::forwardLocal(int remotePort, int localPort, ForwardDone done)
{
    const int port = localPort != 0 ? localPort : freeLocalPort();
    if (port == 0) {
        done(0, QCoreApplication::translate("SshConnection", "no free local port"));
        return;
    }
    forward(QStringLiteral("-L"), QStringLiteral("127.0.0.1:%1:localhost:%2").arg(port).arg(remotePort), port,
            std::move(done));
}

void SshConnection::cancelLocal(int remotePort, int localPort)
{
    start(QStringList{QStringLiteral("-O"), QStringLiteral("cancel"), QStringLiteral("-L"),
                      QStringLiteral("127.0.0.1:%1:localhost:%2").arg(localPort).arg(remotePort)} +
              m_destination.sshArguments(),
          {}, kMaxErrorBytes, [](const Result&) {});
}

void SshConnection::dynamicForward(ForwardDone done)
{
    if (m_dynamicPort != 0) {
        // The master may have ended since (ControlPersist): a check costs no round trip to the machine.
        start(QStringList{QStringLiteral("-O"), QStringLiteral("check")} + m_destination.sshArguments(), {},
              kMaxErrorBytes, [this, done](const Result& check) {
                  if (check.exitCode == 0) {
                      done(m_dynamicPort, {});
                      return;
                  }
                  m_dynamicPort = 0;
                  dynamicForward(done);
              });
        return;
    }
    const int port = freeLocalPort();
    if (port == 0) {
        done(0, QCoreApplication::translate("SshConnection", "no free local port"));
        return;
    }
    forward(QStringLiteral("-D"), QStringLiteral("127.0.0.1:%1").arg(port), port,
            [this, done](int opened, const QString& error) {
                m_dynamicPort = opened;
                done(opened, error);
            });
}

int freeLocalPort()
{
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0))
        return 0;
    return server.serverPort();
}

} // namespace tidewell
