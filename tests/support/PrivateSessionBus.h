#pragma once

#include "support/TestProcesses.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <csignal>
#include <unistd.h>

namespace tidewell::test {

// A D-Bus session bus of the test's own (dbus-daemon on a socket in a temporary folder), ended with
// its process group when the object goes away, so that nothing a test registers reaches the user's
// desktop or another test's bus.
class PrivateSessionBus
{
public:
    PrivateSessionBus()
    {
        const QString program = findProgram(QStringLiteral("dbus-daemon"));
        if (program.isEmpty() || !m_folder.isValid())
            return;
        m_daemon.setStandardErrorFile(QProcess::nullDevice());
        m_daemon.setChildProcessModifier([] { ::setpgid(0, 0); });
        m_daemon.start(program,
                       {QStringLiteral("--session"), QStringLiteral("--nofork"),
                        QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1"),
                        QStringLiteral("--address=unix:path=") + m_folder.filePath(QStringLiteral("bus"))});
        // The address is printed once the daemon accepts clients.
        QByteArray output;
        const QDeadlineTimer deadline(20000);
        while (!output.contains('\n') && m_daemon.waitForReadyRead(int(deadline.remainingTime())))
            output += m_daemon.readAllStandardOutput();
        if (output.contains('\n'))
            m_address = QString::fromUtf8(output.trimmed());
    }
    ~PrivateSessionBus()
    {
        if (m_daemon.state() == QProcess::NotRunning)
            return;
        ::kill(-pid_t(m_daemon.processId()), SIGKILL);
        m_daemon.waitForFinished(5000);
    }
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    // For DBUS_SESSION_BUS_ADDRESS; empty when the daemon could not start.
    QString address() const { return m_address; }

private:
    QTemporaryDir m_folder;
    QProcess m_daemon;
    QString m_address;
};

} // namespace tidewell::test
