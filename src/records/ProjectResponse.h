#pragma once

#include "records/ProjectObject.h"
#include "records/Result.h"

#include <QByteArray>
#include <QList>

namespace tidewell {

class JsonDecoder;

// The reply to the projects request, in the service's order.
struct ProjectResponse
{
    QList<ProjectObject> projects;

    bool operator==(const ProjectResponse&) const = default;

    QJsonObject toJson() const;
    static ProjectResponse decode(JsonDecoder& decoder, const QJsonValue& value);
    // One incomplete element anywhere fails the whole reply.
    static Result<ProjectResponse> fromJson(const QByteArray& body);
    // The same with no more than the first `maxProjects` of the list: the rest is not decoded.
    static Result<ProjectResponse> fromJson(const QByteArray& body, qsizetype maxProjects);
};

} // namespace tidewell
