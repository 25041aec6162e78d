#pragma once

#include "records/Meta.h"
#include "records/ReadyState.h"

#include <QJsonObject>
#include <QString>
#include <optional>

namespace tidewell {

class JsonDecoder;

// One deployment of a Vercel project: its commit, build status and times (milliseconds since 1970).
struct Deployments
{
    QString id;
    Meta meta;
    ReadyState readyState = ReadyState::queued;
    std::optional<double> buildingAt;
    std::optional<double> readyAt;

    bool operator==(const Deployments&) const = default;

    // When it became ready, else when its build started, else unknown.
    std::optional<double> deployedAt() const { return readyAt ? readyAt : buildingAt; }

    QJsonObject toJson() const;
    static Deployments decode(JsonDecoder& decoder, const QJsonValue& value);
};

} // namespace tidewell
