#pragma once

#include "support/TestProcesses.h"

#include <QString>
#include <QTemporaryDir>

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
        m_daemon = std::make_unique<ChildProcess>(
            program,
            QStringList{QStringLiteral("--session"), QStringLiteral("--nofork"),
                        QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1"),
                        QStringLiteral("--address=unix:path=") + m_folder.filePath(QStringLiteral("bus"))},
            QString(), QProcessEnvironment(), QProcess::SeparateChannels);
        // The address is printed once the daemon accepts clients.
        m_address = QString::fromUtf8(firstLine(m_daemon->process(), 20000));
    }

    // For DBUS_SESSION_BUS_ADDRESS; empty when the daemon could not start.
    QString address() const { return m_address; }

private:
    QTemporaryDir m_folder;
    std::unique_ptr<ChildProcess> m_daemon;
    QString m_address;
};

} // namespace tidewell::test
