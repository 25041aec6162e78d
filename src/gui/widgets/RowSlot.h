#pragma once

#include <QWidget>

class QVariantAnimation;

namespace tidewell {

// Holds one list row and animates its arrival and departure: the slot grows to the row's height
// or shrinks to nothing, while the row slides in from or out toward a side.
class RowSlot : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kDurationMs = 220;

    enum class Slide
    {
        none,
        fromTrailing,
        towardLeading
    };

    explicit RowSlot(QWidget* row, QWidget* parent = nullptr);

    QWidget* row() const { return m_row; }
    bool isLeaving() const { return m_leaving; }
    void appear(bool animated, Slide slide);
    // Shrinks away, then deletes itself.
    void leave(bool animated, Slide slide);
    // Comes back while still leaving: grows again from where it is and stays.
    void revive(bool animated);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void setProgress(qreal progress);
    void placeRow();

    QWidget* m_row;
    QVariantAnimation* m_animation;
    qreal m_progress = 1.0;
    Slide m_slide = Slide::none;
    bool m_leaving = false;
};

} // namespace tidewell
