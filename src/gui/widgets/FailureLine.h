#pragma once

#include "gui/widgets/PlainTextLabel.h"

#include <QTimer>

namespace tidewell {

// A short line in red under an action that failed ("code not found"), where the action was: it
// stays for a few seconds, or until the next action clears or replaces it. Hidden otherwise.
class FailureLine : public PlainTextLabel
{
    Q_OBJECT
public:
    static constexpr int kShownMs = 6000;

    explicit FailureLine(QWidget* parent = nullptr);

    void showFailure(const QString& reason);
    // An action starts: the last one's failure goes.
    void clearFailure();

private:
    QTimer m_timer;
};

} // namespace tidewell
