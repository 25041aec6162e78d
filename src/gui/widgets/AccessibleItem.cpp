#include "gui/widgets/AccessibleItem.h"

#include <QWidget>

namespace tidewell {

namespace {

constexpr const char* kRoleProperty = "tidewellAccessibleRole";

const char* propertyOf(AccessibleItem::State state)
{
    return state == AccessibleItem::State::highlighted ? "tidewellHighlighted" : "tidewellBusy";
}

} // namespace

void AccessibleItem::give(QWidget* widget, QAccessible::Role role)
{
    // One factory for the whole program, installed with the first widget that needs it.
    static const bool installed = [] {
        QAccessible::installFactory(&AccessibleItem::create);
        return true;
    }();
    (void)installed;
    widget->setProperty(kRoleProperty, int(role));
}

void AccessibleItem::setState(QWidget* widget, State state, bool on)
{
    if (widget->property(propertyOf(state)).toBool() == on)
        return;
    widget->setProperty(propertyOf(state), on);
    QAccessible::State changed;
    if (state == State::highlighted) {
        changed.selected = true;
        changed.focused = true;
    } else {
        changed.busy = true;
    }
    QAccessibleStateChangeEvent event(widget, changed);
    QAccessible::updateAccessibility(&event);
    if (state == State::highlighted && on) {
        QAccessibleEvent focus(widget, QAccessible::Focus);
        QAccessible::updateAccessibility(&focus);
    }
}

void AccessibleItem::announce(QWidget* widget, const QString& text)
{
    // setAccessibleName sends the name change itself.
    widget->setAccessibleName(text);
    QAccessibleEvent alert(widget, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
}

AccessibleItem::AccessibleItem(QWidget* widget, QAccessible::Role role) : QAccessibleWidget(widget, role) {}

QAccessible::State AccessibleItem::state() const
{
    QAccessible::State result = QAccessibleWidget::state();
    if (role() == QAccessible::ListItem) {
        result.selectable = true;
        result.focusable = true;
    }
    if (widget()->property(propertyOf(State::highlighted)).toBool()) {
        result.selected = true;
        result.focused = true;
    }
    result.busy = widget()->property(propertyOf(State::busy)).toBool();
    return result;
}

QAccessibleInterface* AccessibleItem::create(const QString& /*className*/, QObject* object)
{
    auto* widget = qobject_cast<QWidget*>(object);
    const QVariant role = widget ? widget->property(kRoleProperty) : QVariant();
    return role.isValid() ? new AccessibleItem(widget, QAccessible::Role(role.toInt())) : nullptr;
}

} // namespace tidewell
