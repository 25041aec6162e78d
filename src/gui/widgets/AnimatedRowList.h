#pragma once

#include "gui/widgets/RowSlot.h"

#include <QHash>
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <functional>

class QVBoxLayout;

namespace tidewell {

// A column of rows identified by key. Setting a new list keeps the rows whose key stays, makes
// the new ones grow in and lets the vanished ones shrink away.
class AnimatedRowList : public QWidget
{
    Q_OBJECT
public:
    using RowFactory = std::function<QWidget*(const QString& key)>;
    // True when the row shown for a key still shows what the caller would draw for it now.
    using RowIsCurrent = std::function<bool(QWidget* row, const QString& key)>;

    AnimatedRowList(RowSlot::Slide insertion, RowSlot::Slide removal, QWidget* parent = nullptr);

    void setRows(const QStringList& keys, const RowFactory& create, const RowIsCurrent& isCurrent);
    // Changes happen at once while the list cannot be seen.
    void setAnimated(bool animated) { m_animated = animated; }

    QStringList keys() const { return m_order; }
    QWidget* row(const QString& key) const;
    QList<QWidget*> rows() const;

private:
    QVBoxLayout* m_layout;
    RowSlot::Slide m_insertion;
    RowSlot::Slide m_removal;
    bool m_animated = false;
    QHash<QString, RowSlot*> m_slots;
    // Rows on their way out, so that a key that comes back in time gets its row back.
    QHash<QString, QPointer<RowSlot>> m_leaving;
    QStringList m_order;
};

} // namespace tidewell
