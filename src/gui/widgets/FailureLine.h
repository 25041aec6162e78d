#pragma once

#include "gui/widgets/PlainTextLabel.h"

#include <QTimer>

#include <functional>

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
    // The same, and what the action calls with its failure: shown here, or dropped once the line is
    // gone.
    std::function<void(const QString&)> startAction();

private:
    QTimer m_timer;
};

} // namespace tidewell
