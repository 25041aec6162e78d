#pragma once

#include <QJsonObject>
#include <QString>
#include <optional>

namespace tidewell {

class JsonDecoder;

// A Vercel team the user belongs to: its id goes into requests, its name into the "Teams" menu and
// its slug into dashboard links.
struct Team
{
    QString id;
    QString name;
    QString slug;
    std::optional<QString> avatar;

    bool operator==(const Team&) const = default;

    QJsonObject toJson() const;
    static Team decode(JsonDecoder& decoder, const QJsonValue& value);
};

} // namespace tidewell
