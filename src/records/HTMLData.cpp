#include "records/HTMLData.h"

#include <QHashFunctions>

namespace tidewell {

QJsonObject HTMLData::toJson() const
{
    QJsonObject object{{QStringLiteral("title"), title},
                       {QStringLiteral("appType"), appTypeText(appType)},
                       {QStringLiteral("scheme"), httpSchemeText(scheme)}};
    if (favicon)
        object.insert(QStringLiteral("favicon"), *favicon);
    return object;
}

std::optional<HTMLData> HTMLData::fromJson(const QJsonObject& object)
{
    const QJsonValue title = object.value(QStringLiteral("title"));
    const QJsonValue appType = object.value(QStringLiteral("appType"));
    const QJsonValue scheme = object.value(QStringLiteral("scheme"));
    const QJsonValue favicon = object.value(QStringLiteral("favicon"));
    if (!title.isString() || !appType.isString() || !scheme.isString())
        return std::nullopt;
    if (!favicon.isUndefined() && !favicon.isNull() && !favicon.isString())
        return std::nullopt;
    const auto type = appTypeFromText(appType.toString());
    const auto httpScheme = httpSchemeFromText(scheme.toString());
    if (!type || !httpScheme)
        return std::nullopt;
    HTMLData data{title.toString(), *type, std::nullopt, *httpScheme};
    if (favicon.isString())
        data.favicon = favicon.toString();
    return data;
}

size_t qHash(const HTMLData& data, size_t seed)
{
    return qHashMulti(seed, data.title, appTypeText(data.appType), data.favicon.has_value(),
                      data.favicon.value_or(QString()), httpSchemeText(data.scheme));
}

} // namespace tidewell
