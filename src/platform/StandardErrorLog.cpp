#include "platform/StandardErrorLog.h"

#include <QMutex>
#include <QMutexLocker>
#include <QString>
#include <QtGlobal>
#include <cstdio>

namespace tidewell {

namespace {

void writeMessage(QtMsgType, const QMessageLogContext&, const QString& message)
{
    // Keeps lines from two threads whole.
    static QMutex mutex;
    const QByteArray bytes = message.toUtf8() + '\n';
    const QMutexLocker locker(&mutex);
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
    std::fflush(stderr);
}

} // namespace

void StandardErrorLog::install()
{
    qInstallMessageHandler(writeMessage);
}

} // namespace tidewell
