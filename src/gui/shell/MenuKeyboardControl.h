#pragma once

#include "gui/process/AppServices.h"

#include <QObject>
#include <QPointer>
#include <QString>

class QKeyEvent;
class QWidget;

namespace tidewell {

class AppMenu;
class RowHoverLook;
class HintLabel;

// The window's keyboard: Up and Down move a highlight over the rows of the ports or quick-launch tab,
// Enter, Ctrl+C, Delete and Space act on the highlighted row as its buttons do, Tab and Shift+Tab
// move between the header's tabs. It sees the key presses of every widget of the window first, so
// that a focused button or the search field cannot take them. While the search field holds the
// focus, Space, Delete and Backspace edit it; the arrows move the focus to the rows, and a letter
// typed there goes back to the field.
class MenuKeyboardControl : public QObject
{
    Q_OBJECT
public:
    MenuKeyboardControl(AppMenu* menu, const AppServices* services);

    // The row under the keyboard's highlight, or the one drawn anew in its place; none once it left.
    QWidget* highlightedRow();
    // The note that names the highlighted row's keys, while one is shown.
    HintLabel* hint() const { return m_hint; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool keyPressed(QWidget* target, QKeyEvent* event);
    bool actOnRow(QWidget* row, QKeyEvent* event, bool inField);
    QList<QWidget*> rows() const;
    void move(int step);
    void highlight(QWidget* row);
    void selectNextTab(int step);

    AppMenu* m_menu;
    const AppServices* m_services;
    QPointer<QWidget> m_row;
    QString m_key;
    HintLabel* m_hint = nullptr;
};

} // namespace tidewell
