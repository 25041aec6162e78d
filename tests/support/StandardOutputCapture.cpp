#include "StandardOutputCapture.h"

#include <QFile>
#include <cstdio>
#include <unistd.h>

namespace tidewell::test {

StandardOutputCapture::StandardOutputCapture()
{
    if (!m_file.open())
        return;
    std::fflush(stdout);
    m_savedDescriptor = ::dup(STDOUT_FILENO);
    ::dup2(m_file.handle(), STDOUT_FILENO);
}

StandardOutputCapture::~StandardOutputCapture()
{
    restore();
}

void StandardOutputCapture::restore()
{
    if (m_savedDescriptor < 0)
        return;
    std::fflush(stdout);
    ::dup2(m_savedDescriptor, STDOUT_FILENO);
    ::close(m_savedDescriptor);
    m_savedDescriptor = -1;
}

QByteArray StandardOutputCapture::text()
{
    std::fflush(stdout);
    QFile file(m_file.fileName());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QStringList StandardOutputCapture::lines()
{
    QStringList result = QString::fromUtf8(text()).split(QLatin1Char('\n'));
    if (!result.isEmpty() && result.last().isEmpty())
        result.removeLast();
    return result;
}

} // namespace tidewell::test
