#pragma once

#include "support/TestProcesses.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QSize>
#include <QString>
#include <csignal>
#include <unistd.h>

namespace tidewell::test {

// An X server of our own (Xvfb) on a free display, ended with its whole process group when the
// object goes away, so that nothing a test starts can touch the user's screen.
class VirtualDisplay
{
public:
    explicit VirtualDisplay(QSize size = QSize(800, 600))
    {
        const QString program = findProgram(QStringLiteral("Xvfb"));
        if (program.isEmpty())
            return;
        // -displayfd picks a free display number and writes it once the server accepts clients.
        m_server.setStandardErrorFile(QProcess::nullDevice());
        m_server.setChildProcessModifier([] { ::setpgid(0, 0); });
        m_server.start(program, QStringLiteral("-displayfd 1 -nolisten tcp -screen 0 %1x%2x24")
                                    .arg(size.width())
                                    .arg(size.height())
                                    .split(QLatin1Char(' ')));
        QByteArray output;
        const QDeadlineTimer deadline(10000);
        while (!output.contains('\n') && m_server.waitForReadyRead(int(deadline.remainingTime())))
            output += m_server.readAllStandardOutput();
        if (output.contains('\n'))
            m_display = QLatin1Char(':') + QString::fromLatin1(output.trimmed());
    }
    ~VirtualDisplay()
    {
        if (m_server.state() == QProcess::NotRunning)
            return;
        ::kill(-pid_t(m_server.processId()), SIGKILL);
        m_server.waitForFinished(5000);
    }
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    // ":N" once the server accepts clients; empty when it could not start.
    QString display() const { return m_display; }

private:
    QProcess m_server;
    QString m_display;
};

} // namespace tidewell::test
