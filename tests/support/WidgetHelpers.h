#pragma once

#include <QApplication>
#include <QScrollArea>
#include <QTest>
#include <QWidget>

namespace tidewell::test {

// Small steps every widget test takes, by object name.
template <typename T = QWidget> T* child(const QObject* parent, const char* name)
{
    return parent->findChild<T*>(QLatin1String(name));
}

inline bool shown(const QWidget* widget)
{
    return widget && !widget->isHidden();
}

inline void click(QWidget* widget, QPoint at = QPoint(5, 5))
{
    QTest::mouseClick(widget, Qt::LeftButton, {}, at);
}

// Where `part` sits in the visible area of `scroll`.
inline QRect inViewport(const QWidget* part, const QScrollArea* scroll)
{
    return QRect(part->mapTo(scroll->viewport(), QPoint(0, 0)), part->size());
}

inline void sendEvent(QWidget* widget, QEvent::Type type)
{
    QEvent event(type);
    QApplication::sendEvent(widget, &event);
}

} // namespace tidewell::test
