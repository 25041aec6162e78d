#pragma once

#include "records/Deployments.h"
#include "records/Result.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <optional>

namespace tidewell {

class JsonDecoder;

// One Vercel project with its recent deployments, newest first. The service sends a null framework
// for every project without a framework preset, so it is optional.
struct ProjectObject
{
    QString id;
    QString name;
    std::optional<QString> framework;
    QList<Deployments> latestDeployments;

    bool operator==(const ProjectObject&) const = default;

    QJsonObject toJson() const;
    static ProjectObject decode(JsonDecoder& decoder, const QJsonValue& value);
    // The reply to the request for one project by its id.
    static Result<ProjectObject> fromJson(const QByteArray& body);
};

} // namespace tidewell
