#include "gui/widgets/AssetIcon.h"

#include "gui/widgets/SymbolIcons.h"

#include <QPainter>

namespace tidewell {

AssetIcon::AssetIcon(const QString& assetName, int side, QWidget* parent)
    : QWidget(parent), m_assetName(assetName), m_side(side)
{
    if (!assetName.isEmpty())
        m_icon = SymbolIcons::asset(assetName);
    setFixedSize(side, side);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setVisible(!m_icon.isNull());
}

void AssetIcon::setSide(int side)
{
    m_side = side;
    setFixedSize(side, side);
}

void AssetIcon::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    m_icon.paint(&painter, rect(), Qt::AlignCenter);
}

} // namespace tidewell
