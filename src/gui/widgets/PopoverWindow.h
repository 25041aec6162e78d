#pragma once

#include <QPainterPath>
#include <QWidget>

namespace tidewell {

// The details window a row opens: a heading with a title, the row's heading view and a close
// button, then the body. It closes on its button or, as popups do, on a click outside it. Its
// rounded box and arrow are cut out with a window mask on X11, where a screen without a compositing
// manager would show the transparent parts of a translucent window black.
class PopoverWindow : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kMaxTitleWidth = 320;

    PopoverWindow(const QString& title, QWidget* headingView, QWidget* body, QWidget* parent = nullptr);

    // Places the window under `anchor` (screen coordinates), its arrow on its top edge, kept on
    // the screen.
    void showBelow(const QRect& anchor);
    // True where the shape is cut with a mask rather than drawn on a translucent window.
    bool isMasked() const { return m_masked; }

signals:
    void closed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // The box with its arrow, in the window's coordinates.
    QPainterPath shape() const;

    int m_arrowX = 0;
    bool m_masked = false;
};

} // namespace tidewell
