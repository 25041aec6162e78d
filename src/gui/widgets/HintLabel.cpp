#include "gui/widgets/HintLabel.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace tidewell {

HintLabel::HintLabel(QWidget* parent) : QLabel(parent, Qt::ToolTip | Qt::BypassGraphicsProxyWidget)
{
    setObjectName(QStringLiteral("hint"));
    setTextFormat(Qt::PlainText);
    setForegroundRole(QPalette::ToolTipText);
    setBackgroundRole(QPalette::ToolTipBase);
    setAutoFillBackground(true);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setMargin(4);
    setWordWrap(false);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void HintLabel::showNextTo(QWidget* anchor, const QString& text)
{
    setText(text);
    setAccessibleName(text);
    // Measured with the style's margins and font, which polishing sets.
    ensurePolished();
    adjustSize();
    const QRect anchorRect(anchor->mapToGlobal(QPoint(0, 0)), anchor->size());
    QScreen* screen = anchor->screen();
    const QRect available = screen ? screen->availableGeometry() : anchorRect;
    show();
    // Placed once shown, as a frame the platform may add round it is known only then; a move
    // places that frame.
    move(position(anchorRect, frameGeometry().size(), available));
    raise();
}

QPoint HintLabel::position(const QRect& anchor, const QSize& size, const QRect& available)
{
    const int x = std::clamp(anchor.left(), available.left(),
                             std::max(available.left(), available.right() + 1 - size.width()));
    int y = anchor.bottom() + 1 + kGap;
    if (y + size.height() > available.bottom() + 1)
        y = anchor.top() - kGap - size.height();
    y = std::clamp(y, available.top(), std::max(available.top(), available.bottom() + 1 - size.height()));
    return {x, y};
}

} // namespace tidewell
