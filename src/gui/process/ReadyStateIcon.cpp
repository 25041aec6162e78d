#include "gui/process/ReadyStateIcon.h"

#include "gui/widgets/BusySpinner.h"
#include "gui/widgets/SymbolIcons.h"

#include <QHBoxLayout>
#include <QPainter>

namespace tidewell {

namespace {

// Each state its own mark, none to be taken for an error's.
QString symbolOf(ReadyState state)
{
    switch (state) {
    case ReadyState::ready:
        return QStringLiteral("checkmark.circle.fill");
    case ReadyState::error:
        return QStringLiteral("xmark.circle.fill");
    case ReadyState::queued:
        return QStringLiteral("clock");
    case ReadyState::initializing:
        return QStringLiteral("hourglass");
    case ReadyState::canceled:
        return QStringLiteral("slash.circle");
    case ReadyState::building:
        break;
    }
    return {};
}

} // namespace

ReadyStateIcon::ReadyStateIcon(ReadyState state, QWidget* parent) : QWidget(parent), m_state(state)
{
    setObjectName(QStringLiteral("readyStateIcon"));
    setFixedSize(sizeHint());
    setToolTip(readyStateText(state));
    m_symbolName = symbolOf(state);
    if (m_symbolName.isEmpty()) {
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(new BusySpinner(this));
        return;
    }
    m_icon = SymbolIcons::symbol(m_symbolName);
}

QColor ReadyStateIcon::colour() const
{
    switch (m_state) {
    case ReadyState::ready:
        return kGreen;
    case ReadyState::error:
        return kRed;
    case ReadyState::initializing:
        return kOrange;
    default:
        return kGrey;
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
