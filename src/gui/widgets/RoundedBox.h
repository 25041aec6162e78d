#pragma once

#include <QWidget>

namespace tidewell {

// A container drawn as a gray rounded plate at 0.2 opacity: badges and command boxes.
class RoundedBox : public QWidget
{
    Q_OBJECT
public:
    RoundedBox(qreal cornerRadius, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    qreal m_cornerRadius;
};

} // namespace tidewell
