#pragma once

#include "records/Result.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

namespace tidewell {

class JsonDecoder;

// The part of the Vercel command-line tool's credential file that matters: its access token.
struct VercelAuth
{
    QString token;

    QJsonObject toJson() const { return {{QStringLiteral("token"), token}}; }
    static VercelAuth decode(JsonDecoder& decoder, const QJsonValue& value);
    static Result<VercelAuth> fromJson(const QByteArray& body);
};

} // namespace tidewell
