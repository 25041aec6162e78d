#include "quicklaunch/QuickLaunchStore.h"

#include "platform/LogCategories.h"
#include "state/AppState.h"

#include <QJsonDocument>

namespace tidewell {

QuickLaunchItemPtr QuickLaunchStore::makeQuickLaunchItem(const PortDataLike& entry, const QDateTime& date)
{
    auto info = entry.processInfo();
    // A folder that was deleted is no place to start the server again.
    if (info && info->cwdDeleted)
        info->cwd.clear();
    return std::make_shared<QuickLaunchItemData>(QuickLaunchItemData::newUuid(), entry.processName(),
                                                 entry.port(), entry.pid(), entry.htmlData(), info, date);
}

QuickLaunchItemPtr QuickLaunchStore::addQuickLaunchItem(const PortDataLike& entry, AppState& state,
                                                        const QDateTime& now)
{
    const QString stored = state.quickLaunchData();
    std::optional<ItemMap> decoded = decode(stored);
    if (!decoded && (!stored.isEmpty() || state.quickLaunchValueIsNotText())) {
        // The list is replaced below; a copy keeps the user's saved servers recoverable.
        const QString key = kUnreadableKeyPrefix + QString::number(now.toSecsSinceEpoch());
        state.copyQuickLaunchValue(key);
        qCWarning(lcQuickLaunch).noquote()
            << (QStringLiteral("Quick launch: kept the unreadable saved list under ") + key);
    }
    ItemMap items = decoded.value_or(ItemMap());

    QuickLaunchItemPtr item = makeQuickLaunchItem(entry, now);
    items.insert(item->uuid(), item);
    qCDebug(lcQuickLaunch).noquote() << (describe(items));

    const QString text = encode(items);
    if (!state.setQuickLaunchData(text)) {
        qCWarning(lcQuickLaunch).noquote() << (kNotSavedText);
        return nullptr;
    }
    qCDebug(lcQuickLaunch).noquote() << (text);
    return item;
}

void QuickLaunchStore::removeQuickLaunchItem(const QuickLaunchItemData& item, AppState& state)
{
    std::optional<ItemMap> items = decode(state.quickLaunchData());
    if (!items)
        return;
    items->remove(item.uuid());
    state.setQuickLaunchData(encode(*items));
}

void QuickLaunchStore::rememberPort(const QuickLaunchItemData& item, AppState& state)
{
    std::optional<ItemMap> items = decode(state.quickLaunchData());
    if (!items || !items->contains(item.uuid()) || items->value(item.uuid())->port() == item.port())
        return;
    items->value(item.uuid())->setPort(item.port());
    state.setQuickLaunchData(encode(*items));
}

QList<QuickLaunchItemPtr> QuickLaunchStore::loadQuickLaunchItems(const AppState& state)
{
    const std::optional<ItemMap> items = decode(state.quickLaunchData());
    if (!items)
        return {};
    return items->values();
}

std::optional<QuickLaunchStore::ItemMap> QuickLaunchStore::decode(const QString& text)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    ItemMap items;
    for (auto member = object.begin(); member != object.end(); ++member) {
        if (!member.value().isObject())
            return std::nullopt;
        QuickLaunchItemPtr item = QuickLaunchItemData::fromJson(member.value().toObject());
        if (!item)
            return std::nullopt;
        items.insert(member.key(), item);
    }
    return items;
}

QString QuickLaunchStore::encode(const ItemMap& items)
{
    QJsonObject object;
    for (auto item = items.begin(); item != items.end(); ++item)
        object.insert(item.key(), item.value()->toJson());
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

QString QuickLaunchStore::describe(const ItemMap& items)
{
    QStringList entries;
    for (auto item = items.begin(); item != items.end(); ++item) {
        const QuickLaunchItemData& data = *item.value();
        entries.append(QStringLiteral("\"%1\": QuickLaunchItemData(processName: \"%2\", port: \"%3\")")
                           .arg(item.key(), data.processName(), data.port()));
    }
    return QLatin1Char('[') + entries.join(QStringLiteral(", ")) + QLatin1Char(']');
}

} // namespace tidewell
