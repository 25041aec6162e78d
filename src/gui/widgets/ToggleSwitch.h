#pragma once

#include <QAbstractButton>

namespace tidewell {

// An on/off switch drawn as a rounded track with a sliding knob, the form control of settings.
class ToggleSwitch : public QAbstractButton
{
    Q_OBJECT
public:
    explicit ToggleSwitch(QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace tidewell
