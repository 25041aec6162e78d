#pragma once

#include "support/TestProcesses.h"

#include <QSize>
#include <QString>

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
        m_server =
            std::make_unique<ChildProcess>(program,
                                           QStringLiteral("-displayfd 1 -nolisten tcp -screen 0 %1x%2x24")
                                               .arg(size.width())
                                               .arg(size.height())
                                               .split(QLatin1Char(' ')),
                                           QString(), QProcessEnvironment(), QProcess::SeparateChannels);
        const QByteArray number = firstLine(m_server->process(), 10000);
        if (!number.isEmpty())
            m_display = QLatin1Char(':') + QString::fromLatin1(number);
    }

    // ":N" once the server accepts clients; empty when it could not start.
    QString display() const { return m_display; }

private:
    std::unique_ptr<ChildProcess> m_server;
    QString m_display;
};

} // namespace tidewell::test
