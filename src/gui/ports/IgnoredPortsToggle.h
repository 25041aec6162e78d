#pragma once

#include <QAbstractButton>
#include <QIcon>

namespace tidewell {

// The full-width button under the port list that shows or hides every other listener.
class IgnoredPortsToggle : public QAbstractButton
{
    Q_OBJECT
public:
    explicit IgnoredPortsToggle(QWidget* parent = nullptr);

    void setShowingIgnored(bool showing);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFont labelFont() const;
    bool m_showing = false;
    QIcon m_arrow;
};

} // namespace tidewell
