#pragma once

#include <QWidget>

class QVariantAnimation;

namespace tidewell {

// The small spinning indicator a row shows in place of a button while its action runs.
class BusySpinner : public QWidget
{
    Q_OBJECT
public:
    explicit BusySpinner(QWidget* parent = nullptr);

    QSize sizeHint() const override { return {16, 16}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QVariantAnimation* m_spin;
    qreal m_angle = 0;
};

} // namespace tidewell
