#pragma once

#include "records/ReadyState.h"

#include <QColor>
#include <QIcon>
#include <QWidget>

namespace tidewell {

// The build status of a deployment at a glance: a spinner while it builds, a green check when it is
// ready, a red minus on error, and a plain minus while it waits or after it was cancelled.
class ReadyStateIcon : public QWidget
{
    Q_OBJECT
public:
    static inline const QColor kRed{255, 59, 48};
    static inline const QColor kGreen{52, 199, 89};

    explicit ReadyStateIcon(ReadyState state, QWidget* parent = nullptr);

    ReadyState state() const { return m_state; }
    // Empty while the spinner shows.
    QString symbolName() const { return m_symbolName; }
    QColor colour() const;
    QSize sizeHint() const override { return {16, 16}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ReadyState m_state;
    QString m_symbolName;
    QIcon m_icon;
};

} // namespace tidewell
