#pragma once

#include <QLabel>

namespace tidewell {

// A tooltip-like note placed by its owner next to a widget: under it, or over it where the screen
// ends, and always wholly inside that screen's available area. QToolTip instead flips a tip that
// would cross the screen's right edge to the far side of the point it was given, which puts a
// row's tip far to the left of a window at the right end of a panel.
class HintLabel : public QLabel
{
    Q_OBJECT
public:
    static constexpr int kGap = 2;

    explicit HintLabel(QWidget* parent = nullptr);

    // Shows `text` next to `anchor` (its left edges aligned), in plain text.
    void showNextTo(QWidget* anchor, const QString& text);
    // Where a note of `size` goes next to `anchor` (global coordinates) within `available`.
    static QPoint position(const QRect& anchor, const QSize& size, const QRect& available);
};

} // namespace tidewell
