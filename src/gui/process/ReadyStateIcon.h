#pragma once

#include "records/ReadyState.h"

#include <QColor>
#include <QIcon>
#include <QWidget>

namespace tidewell {

// The build status of a deployment at a glance, named in its tooltip: a spinner while it builds, a
// green check when it is ready, a red cross on error, an orange hourglass while it initialises, a grey
// clock while queued and a grey slashed circle once cancelled.
class ReadyStateIcon : public QWidget
{
    Q_OBJECT
public:
    static inline const QColor kRed{255, 59, 48};
    static inline const QColor kGreen{52, 199, 89};
    static inline const QColor kOrange{255, 149, 0};
    static inline const QColor kGrey{142, 142, 147};

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
