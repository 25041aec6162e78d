#pragma once

#include "platform/SystemTools.h"

#include <QList>
#include <QMutex>

namespace tidewell::test {

// A SystemTools that runs nothing: it records every call and answers with canned output.
class RecordingSystemTools : public SystemTools
{
public:
    struct Call
    {
        enum class Kind
        {
            read,
            wait,
            detached
        } kind;
        QString program;
        QStringList arguments;
        QString workingDirectory; // of a detached start; empty for "ours"
    };

    void setOutput(const QByteArray& output)
    {
        QMutexLocker lock(&m_mutex);
        m_output = output;
    }
    QList<Call> calls() const
    {
        QMutexLocker lock(&m_mutex);
        return m_calls;
    }

    QByteArray runAndRead(const QString& program, const QStringList& arguments) override
    {
        QMutexLocker lock(&m_mutex);
        m_calls.append({Call::Kind::read, program, arguments, {}});
        return m_output;
    }
    void runAndWait(const QString& program, const QStringList& arguments) override
    {
        QMutexLocker lock(&m_mutex);
        m_calls.append({Call::Kind::wait, program, arguments, {}});
    }
    bool startDetached(const QString& program, const QStringList& arguments,
                       const QString& workingDirectory = {}) override
    {
        QMutexLocker lock(&m_mutex);
        m_calls.append({Call::Kind::detached, program, arguments, workingDirectory});
        return true;
    }
    // Recorded as a detached start; it never fails.
    void startWatched(const QString& program, const QStringList& arguments, const QString& workingDirectory,
                      std::function<void(const QString&)>) override
    {
        startDetached(program, arguments, workingDirectory);
    }

private:
    mutable QMutex m_mutex;
    QByteArray m_output;
    QList<Call> m_calls;
};

} // namespace tidewell::test
