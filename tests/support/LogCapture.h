#pragma once

#include <QLoggingCategory>
#include <QMutex>
#include <QMutexLocker>
#include <QStringList>

// While one lives, the program's own log lines (the "tidewell.*" categories, debug lines included)
// are collected instead of written, so a test reads exactly them; Qt's and the test runner's messages
// still go where they went. Not nestable.
class LogCapture
{
public:
    LogCapture()
    {
        QLoggingCategory::setFilterRules(QStringLiteral("tidewell.*.debug=true"));
        const QMutexLocker locker(&s_mutex);
        s_active = this;
        m_previous = qInstallMessageHandler(&LogCapture::handle);
    }
    ~LogCapture()
    {
        const QMutexLocker locker(&s_mutex);
        qInstallMessageHandler(m_previous);
        s_active = nullptr;
        QLoggingCategory::setFilterRules({});
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    QStringList lines() const
    {
        const QMutexLocker locker(&s_mutex);
        return m_lines;
    }

private:
    static inline QMutex s_mutex;
    static inline LogCapture* s_active = nullptr;

    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& message)
    {
        QtMessageHandler previous = nullptr;
        {
            const QMutexLocker locker(&s_mutex);
            LogCapture* capture = s_active;
            if (capture && context.category && QByteArray(context.category).startsWith("tidewell.")) {
                capture->m_lines.append(message);
                return;
            }
            previous = capture ? capture->m_previous : nullptr;
        }
        if (previous)
            previous(type, context, message);
    }

    QtMessageHandler m_previous = nullptr;
    QStringList m_lines;
};
