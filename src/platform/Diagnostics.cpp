#include "platform/Diagnostics.h"

#include <QMutex>
#include <QMutexLocker>
#include <cstdio>

namespace tidewell::Diagnostics {

namespace {

// Guards the capture pointer and keeps lines from two threads whole.
QMutex& outputMutex()
{
    static QMutex mutex;
    return mutex;
}

Capture*& activeCapture()
{
    static Capture* capture = nullptr;
    return capture;
}

} // namespace

void writeLine(const QString& line)
{
    const QMutexLocker locker(&outputMutex());
    if (Capture* capture = activeCapture()) {
        capture->m_lines.append(line);
        return;
    }
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

Capture::Capture()
{
    const QMutexLocker locker(&outputMutex());
    activeCapture() = this;
}

Capture::~Capture()
{
    const QMutexLocker locker(&outputMutex());
    if (activeCapture() == this)
        activeCapture() = nullptr;
}

QStringList Capture::lines() const
{
    const QMutexLocker locker(&outputMutex());
    return m_lines;
}

} // namespace tidewell::Diagnostics
