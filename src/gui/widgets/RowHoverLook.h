#pragma once

#include <QObject>

class QVariantAnimation;
class QWidget;

namespace tidewell {

class HoverScaleEffect;

// The hover look of a list row: pointing-hand cursor, a fixed height, and while the pointer is
// over it a faint rounded highlight behind it and a 2 % enlargement about its centre.
class RowHoverLook : public QObject
{
    Q_OBJECT
public:
    static constexpr int kHorizontalPadding = 18;
    static constexpr qreal kHoverScale = 1.02;

    // Rows lay their content out with kHorizontalPadding on both sides.
    RowHoverLook(QWidget* row, int height);

    // The keyboard's highlight: the same look as the pointer's, kept while either asks for it.
    void setHighlighted(bool highlighted);
    bool isHighlighted() const { return m_isHighlighted; }
    int height() const { return m_height; }
    // 0 when resting, 1 when fully hovered; the highlight and the scale follow it.
    qreal hoverProgress() const { return m_progress; }
    qreal currentScale() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setHovered(bool hovered);
    void animateTo(qreal progress);
    void paintHighlight();

    QWidget* m_row;
    int m_height;
    bool m_isHovered = false;
    bool m_isHighlighted = false;
    qreal m_progress = 0;
    QVariantAnimation* m_animation;
    HoverScaleEffect* m_effect;
};

} // namespace tidewell
