#pragma once

#include <QJsonObject>
#include <QString>

namespace tidewell {

class JsonDecoder;

// The signed-in Vercel account; its user name names the personal account in dashboard links.
struct User
{
    QString username;

    bool operator==(const User&) const = default;

    QJsonObject toJson() const { return {{QStringLiteral("username"), username}}; }
    static User decode(JsonDecoder& decoder, const QJsonValue& value);
};

} // namespace tidewell
