#pragma once

#include <QIcon>
#include <QWidget>

namespace tidewell {

// One named image asset, fitted into a square and keeping its aspect ratio. Without an image the
// view is hidden, so the layout around it closes up.
class AssetIcon : public QWidget
{
    Q_OBJECT
public:
    explicit AssetIcon(const QString& assetName, int side = 28, QWidget* parent = nullptr);

    QString assetName() const { return m_assetName; }
    void setSide(int side);
    QSize sizeHint() const override { return {m_side, m_side}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_assetName;
    QIcon m_icon;
    int m_side;
};

} // namespace tidewell
