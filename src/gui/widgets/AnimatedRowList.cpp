#include "gui/widgets/AnimatedRowList.h"

#include "gui/widgets/AccessibleItem.h"

#include <QSet>
#include <QVBoxLayout>

namespace tidewell {

AnimatedRowList::AnimatedRowList(RowSlot::Slide insertion, RowSlot::Slide removal, QWidget* parent)
    : QWidget(parent), m_layout(new QVBoxLayout(this)), m_insertion(insertion), m_removal(removal)
{
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    AccessibleItem::give(this, QAccessible::List);
}

QWidget* AnimatedRowList::row(const QString& key) const
{
    RowSlot* slot = m_slots.value(key);
    return slot ? slot->row() : nullptr;
}

QList<QWidget*> AnimatedRowList::rows() const
{
    QList<QWidget*> result;
    for (const QString& key : m_order)
        result.append(m_slots.value(key)->row());
    return result;
}

void AnimatedRowList::setRows(const QStringList& keys, const RowFactory& create,
                              const RowIsCurrent& isCurrent)
{
    const QSet<QString> wanted(keys.cbegin(), keys.cend());
    for (auto it = m_slots.begin(); it != m_slots.end();) {
        if (!wanted.contains(it.key())) {
            it.value()->leave(m_animated, m_removal);
            if (m_animated)
                m_leaving.insert(it.key(), it.value());
            it = m_slots.erase(it);
        } else {
            ++it;
        }
    }
    for (const QString& key : keys) {
        RowSlot* slot = m_slots.value(key);
        if (!slot) {
            const QPointer<RowSlot> leaving = m_leaving.take(key);
            if (leaving && leaving->isLeaving() && isCurrent(leaving->row(), key)) {
                leaving->revive(m_animated);
                m_slots.insert(key, leaving);
                continue;
            }
        }
        if (slot && isCurrent(slot->row(), key))
            continue;
        const bool replacing = slot != nullptr;
        if (slot) {
            m_layout->removeWidget(slot);
            slot->hide();
            slot->deleteLater();
        }
        slot = new RowSlot(create(key), this);
        m_slots.insert(key, slot);
        // A row whose data changed is redrawn in place, without a second arrival.
        slot->appear(m_animated && !replacing, m_insertion);
    }
    m_order = keys;
    for (auto it = m_leaving.begin(); it != m_leaving.end();)
        it = it.value() ? std::next(it) : m_leaving.erase(it);

    // Rows on their way out keep their place among the others until they are gone.
    QList<QWidget*> leaving;
    QList<int> leavingIndex;
    for (int i = 0; i < m_layout->count(); ++i) {
        auto* slot = qobject_cast<RowSlot*>(m_layout->itemAt(i)->widget());
        if (slot && slot->isLeaving()) {
            leaving.append(slot);
            leavingIndex.append(i);
        }
    }
    while (m_layout->count() > 0)
        delete m_layout->takeAt(0);
    for (const QString& key : keys)
        m_layout->addWidget(m_slots.value(key));
    for (int i = 0; i < leaving.size(); ++i)
        m_layout->insertWidget(std::min(leavingIndex[i], int(m_layout->count())), leaving[i]);
}

} // namespace tidewell
