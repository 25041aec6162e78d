#include "gui/widgets/FailureLine.h"

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

void FailureLine::clearFailure()
{
    m_timer.stop();
    clear();
    hide();
}

} // namespace tidewell
