#pragma once

#include <QWidget>

namespace tidewell {

// The details window a row opens: a heading with a title, the row's heading view and a close
// button, then the body. It closes on its button or, as popups do, on a click outside it.
class PopoverWindow : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kMaxTitleWidth = 320;

    PopoverWindow(const QString& title, QWidget* headingView, QWidget* body, QWidget* parent = nullptr);

    // Places the window under `anchor` (screen coordinates), its arrow on its top edge, kept on
    // the screen.
    void showBelow(const QRect& anchor);

signals:
    void closed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    int m_arrowX = 0;
};

} // namespace tidewell
