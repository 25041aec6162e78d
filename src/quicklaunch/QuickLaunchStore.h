#pragma once

#include "quicklaunch/QuickLaunchItemData.h"

#include <QList>
#include <QMap>
#include <optional>

namespace tidewell {

class AppState;

// The saved servers, kept as one JSON object in AppState's quick-launch setting that maps each
// item's uuid to the item. The setting is read and written on every call; nothing is cached.
class QuickLaunchStore
{
public:
    // The stored map: member name to item, in the map's own (uuid) order.
    using ItemMap = QMap<QString, QuickLaunchItemPtr>;

    // Where add keeps a stored text it cannot read before replacing it; the time follows.
    static inline const QString kUnreadableKeyPrefix = QStringLiteral("bc_quickLaunch.unreadable.");

    // What the window says when the list could not be written.
    static inline const QString kNotSavedText =
        QStringLiteral("Could not save to Quick Launch: the settings file cannot be written.");

    // A new item with a fresh uuid, the entry's fields and `date` as its creation date.
    static QuickLaunchItemPtr makeQuickLaunchItem(const PortDataLike& entry, const QDateTime& date);
    // Saves a new item for the entry and returns it. An unreadable stored list is kept under
    // kUnreadableKeyPrefix and the time of `now` in seconds since 1970, then replaced. Null when the
    // list could not be written (a full disk); the stored list is then as it was.
    static QuickLaunchItemPtr addQuickLaunchItem(const PortDataLike& entry, AppState& state,
                                                 const QDateTime& now = QDateTime::currentDateTimeUtc());
    // Deletes the stored item with the same uuid; an unreadable stored list is left alone.
    static void removeQuickLaunchItem(const QuickLaunchItemData& item, AppState& state);
    // Stores the item's port in place of the stored item's, so that it keeps the port it last ran
    // on; an item no longer stored, or an unreadable stored list, is left alone.
    static void rememberPort(const QuickLaunchItemData& item, AppState& state);
    // The stored items in the map's order; none when the stored text cannot be read.
    static QList<QuickLaunchItemPtr> loadQuickLaunchItems(const AppState& state);

    // The whole text or nothing: one unreadable item makes the text unreadable.
    static std::optional<ItemMap> decode(const QString& text);
    // Compact JSON.
    static QString encode(const ItemMap& items);
    // One line naming the items, for the trace on standard output.
    static QString describe(const ItemMap& items);
};

} // namespace tidewell
