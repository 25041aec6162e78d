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
};

} // namespace tidewell
