#pragma once

#include <QString>

class QLabel;
class QToolButton;
class QWidget;

namespace tidewell {

// The borderless button with a symbol that rows, popovers and the header use everywhere. Its
// object name is the symbol's, so that tests and style sheets find it.
QToolButton* makeSymbolButton(const char* symbol, const QString& toolTip, QWidget* parent);
// Draws the widget's text in the secondary colour: the text colour at reduced opacity.
void useSecondaryColour(QWidget* widget);
// The centred grey line that stands in for an empty list ("No ports found").
QLabel* makePlaceholderLabel(const QString& text, const char* objectName, QWidget* parent);

} // namespace tidewell
