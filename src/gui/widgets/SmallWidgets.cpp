#include "gui/widgets/SmallWidgets.h"

#include "gui/widgets/PlainTextLabel.h"
#include "gui/widgets/SymbolIcons.h"

#include <QLabel>
#include <QToolButton>

namespace tidewell {

QToolButton* makeSymbolButton(const char* symbol, const QString& toolTip, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(symbol));
    button->setAutoRaise(true);
    button->setIcon(SymbolIcons::symbol(QLatin1String(symbol)));
    button->setToolTip(toolTip);
    return button;
}

void useSecondaryColour(QWidget* widget)
{
    QPalette palette = widget->palette();
    QColor text = palette.color(QPalette::WindowText);
    text.setAlphaF(0.55f);
    palette.setColor(QPalette::WindowText, text);
    widget->setPalette(palette);
}

QLabel* makePlaceholderLabel(const QString& text, const char* objectName, QWidget* parent)
{
    QLabel* label = new PlainTextLabel(text, parent);
    label->setObjectName(QLatin1String(objectName));
    label->setAlignment(Qt::AlignCenter);
    label->setContentsMargins(0, 10, 0, 8);
    useSecondaryColour(label);
    return label;
}

} // namespace tidewell
