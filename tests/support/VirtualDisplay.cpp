#include "VirtualDisplay.h"

#include "TestProcesses.h"

#include <QDeadlineTimer>
#include <csignal>
#include <unistd.h>

namespace tidewell::test {

VirtualDisplay::VirtualDisplay(QSize size) : m_size(size)
{
    const QString program = findProgram(QStringLiteral("Xvfb"));
    if (program.isEmpty())
        return;
    m_server.setProgram(program);
    const QString screen = QString::number(size.width()) + QLatin1Char('x') + QString::number(size.height()) +
                           QStringLiteral("x24");
    // -displayfd picks a free display number and writes it once the server accepts clients.
    m_server.setArguments({QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                           QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"), screen});
    m_server.setProcessChannelMode(QProcess::SeparateChannels);
    m_server.setStandardErrorFile(QProcess::nullDevice());
    m_server.setChildProcessModifier([] { ::setpgid(0, 0); });
    m_server.start();
    QByteArray output;
    const QDeadlineTimer deadline(10000);
    while (!output.contains('\n') && !deadline.hasExpired() &&
           m_server.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime()))))
        output += m_server.readAllStandardOutput();
    if (output.contains('\n'))
        m_display = QLatin1Char(':') + QString::fromLatin1(output.trimmed());
}

VirtualDisplay::~VirtualDisplay()
{
    kill();
}

void VirtualDisplay::kill()
{
    if (m_server.state() == QProcess::NotRunning)
        return;
    ::kill(-pid_t(m_server.processId()), SIGKILL);
    m_server.waitForFinished(5000);
}

} // namespace tidewell::test
