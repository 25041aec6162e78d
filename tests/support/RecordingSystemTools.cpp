#include "RecordingSystemTools.h"

namespace tidewell::test {

void RecordingSystemTools::setOutput(const QByteArray& output)
{
    QMutexLocker lock(&m_mutex);
    m_output = output;
}

QList<RecordingSystemTools::Call> RecordingSystemTools::calls() const
{
    QMutexLocker lock(&m_mutex);
    return m_calls;
}

QByteArray RecordingSystemTools::runAndRead(const QString& program, const QStringList& arguments)
{
    QMutexLocker lock(&m_mutex);
    m_calls.append({Call::Kind::read, program, arguments, {}});
    return m_output;
}

void RecordingSystemTools::runAndWait(const QString& program, const QStringList& arguments)
{
    QMutexLocker lock(&m_mutex);
    m_calls.append({Call::Kind::wait, program, arguments, {}});
}

bool RecordingSystemTools::startDetached(const QString& program, const QStringList& arguments,
                                         const QString& workingDirectory)
{
    QMutexLocker lock(&m_mutex);
    m_calls.append({Call::Kind::detached, program, arguments, workingDirectory});
    return true;
}

} // namespace tidewell::test
