#include "gui/widgets/StandardWidgets.h"

#include "gui/widgets/PlainTextLabel.h"
#include "gui/widgets/SymbolIcons.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QToolButton>

namespace tidewell {

namespace {

// The grey of secondary text: the application's text colour, faded.
void fadeText(QWidget* widget)
{
    QPalette palette = widget->palette();
    QColor text = QApplication::palette(widget).color(QPalette::WindowText);
    text.setAlphaF(0.55f);
    // Setting the same colour again would only send another change.
    if (palette.color(QPalette::WindowText) == text)
        return;
    palette.setColor(QPalette::WindowText, text);
    widget->setPalette(palette);
}

// A widget that set its own text colour keeps it when the application's palette changes (the
// desktop turned dark or light): this fades the new text colour again.
class SecondaryColourFollower : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::ApplicationPaletteChange || event->type() == QEvent::PaletteChange)
            fadeText(static_cast<QWidget*>(watched));
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

QToolButton* makeSymbolButton(const char* symbol, const QString& toolTip, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(symbol));
    button->setAutoRaise(true);
    button->setIcon(SymbolIcons::symbol(QLatin1String(symbol)));
    button->setToolTip(toolTip);
    // The symbol alone says nothing to a screen reader: it reads the tool tip's words.
    button->setAccessibleName(toolTip);
    // The style draws no focus on a flat tool button: the keyboard's place needs a ring.
    button->setStyleSheet(
        QStringLiteral("QToolButton:focus { border: 2px solid palette(highlight); border-radius: 5px; }"));
    return button;
}

void useSecondaryColour(QWidget* widget)
{
    fadeText(widget);
    widget->installEventFilter(new SecondaryColourFollower(widget));
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
