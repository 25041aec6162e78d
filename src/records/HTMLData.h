#pragma once

#include "records/AppType.h"
#include "records/HttpScheme.h"

#include <QJsonObject>
#include <QString>
#include <optional>

namespace tidewell {

// What a port serves: the page title, the kind of app, and the scheme that produced it.
struct HTMLData
{
    QString title;
    AppType appType = AppType::unknown;
    std::optional<QString> favicon;
    HttpScheme scheme = HttpScheme::http;

    bool operator==(const HTMLData&) const = default;

    QJsonObject toJson() const;
    // Fails on a missing required member or an app type or scheme outside the known texts.
    static std::optional<HTMLData> fromJson(const QJsonObject& object);
};

size_t qHash(const HTMLData& data, size_t seed = 0);

} // namespace tidewell
