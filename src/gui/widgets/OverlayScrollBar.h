#pragma once

#include <QScrollBar>

class QAbstractScrollArea;

namespace tidewell {

// A thin scroll bar without arrow buttons laid over the right edge of a scroll area's content, as
// desktop utilities show theirs: the rows keep the area's whole width, and the bar shows only
// while there is something to scroll. It follows the area's own vertical bar, which it hides.
class OverlayScrollBar : public QScrollBar
{
    Q_OBJECT
public:
    static constexpr int kWidth = 6;

    explicit OverlayScrollBar(QAbstractScrollArea* area);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void followRange(int minimum, int maximum);
    void place();

    QAbstractScrollArea* m_area;
};

} // namespace tidewell
