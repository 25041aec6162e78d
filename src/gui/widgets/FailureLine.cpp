#include "gui/widgets/FailureLine.h"

#include <QPointer>

namespace tidewell {

FailureLine::FailureLine(QWidget* parent) : PlainTextLabel(parent)
{
    setObjectName(QStringLiteral("failure"));
    setWordWrap(true);
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    setFont(small);
    setStyleSheet(QStringLiteral("color: rgb(255, 59, 48);"));
    hide();
    m_timer.setSingleShot(true);
    m_timer.setInterval(kShownMs);
    connect(&m_timer, &QTimer::timeout, this, &FailureLine::clearFailure);
}

void FailureLine::showFailure(const QString& reason)
{
    setText(reason);
    setAccessibleName(reason);
    show();
    m_timer.start();
}

std::function<void(const QString&)> FailureLine::startAction()
{
    clearFailure();
    return [line = QPointer(this)](const QString& reason) {
        if (line)
            line->showFailure(reason);
    };
}

void FailureLine::clearFailure()
{
    m_timer.stop();
    clear();
    hide();
}

} // namespace tidewell
