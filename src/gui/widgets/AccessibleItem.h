#pragma once

#include <QAccessibleWidget>

namespace tidewell {

// What assistive technology is told of a widget that draws itself as one item of a list (a server
// row, a saved server, a project) or as a list of them: a role of its own, the name its owner keeps
// in the widget's accessible name, and the states its owner sets here (highlighted by the keyboard,
// busy while a stop runs). Main thread only, as every widget.
class AccessibleItem : public QAccessibleWidget
{
public:
    enum class State
    {
        highlighted,
        busy
    };

    // Gives the widget that role for as long as it lives.
    static void give(QWidget* widget, QAccessible::Role role);
    // Sets one state of such a widget and tells assistive technology when it changed.
    static void setState(QWidget* widget, State state, bool on);
    // Speaks a short text: Qt 6.4 has no announcement event, so the widget's accessible name becomes
    // the text and the change is sent as a name change and an alert on it, which AT-SPI passes on.
    static void announce(QWidget* widget, const QString& text);

    AccessibleItem(QWidget* widget, QAccessible::Role role);

    QAccessible::State state() const override;

private:
    static QAccessibleInterface* create(const QString& className, QObject* object);
};

} // namespace tidewell
