#include "gui/process/ReadyStateIcon.h"

#include "gui/widgets/ProgressViewContainer.h"
#include "gui/widgets/SymbolIcons.h"

#include <QHBoxLayout>
#include <QPainter>

namespace tidewell {

ReadyStateIcon::ReadyStateIcon(ReadyState state, QWidget* parent) : QWidget(parent), m_state(state)
{
    setObjectName(QStringLiteral("readyStateIcon"));
    setFixedSize(sizeHint());
    if (state == ReadyState::building) {
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(new ProgressViewContainer(this));
        return;
    }
    m_symbolName =
        state == ReadyState::ready ? QStringLiteral("checkmark.circle.fill") : QStringLiteral("minus.circle");
    m_icon = SymbolIcons::symbol(m_symbolName);
    setToolTip(readyStateText(state));
}

QColor ReadyStateIcon::colour() const
{
    switch (m_state) {
    case ReadyState::ready:
        return kGreen;
    case ReadyState::error:
        return kRed;
    default:
        return palette().color(QPalette::WindowText);
    }
}

void ReadyStateIcon::paintEvent(QPaintEvent*)
{
    if (m_icon.isNull())
        return;
    // One colour over the symbol's shape: the drawing is only a mask.
    QPixmap tinted = m_icon.pixmap(size(), devicePixelRatioF());
    {
        QPainter tint(&tinted);
        tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
        tint.fillRect(tinted.rect(), colour());
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(rect(), tinted, QRectF(tinted.rect()));
}

} // namespace tidewell
