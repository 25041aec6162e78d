#include "records/ProjectResponse.h"

#include "records/JsonDecoder.h"

namespace tidewell {

QJsonObject ProjectResponse::toJson() const
{
    QJsonArray array;
    for (const ProjectObject& project : projects)
        array.append(project.toJson());
    return {{QStringLiteral("projects"), array}};
}

ProjectResponse ProjectResponse::decode(JsonDecoder& decoder, const QJsonValue& value)
{
    return {decoder.requiredList<ProjectObject>(decoder.object(value), QStringLiteral("projects"))};
}

Result<ProjectResponse> ProjectResponse::fromJson(const QByteArray& body)
{
    return JsonDecoder::decodeDocument<ProjectResponse>(body);
}

Result<ProjectResponse> ProjectResponse::fromJson(const QByteArray& body, qsizetype maxProjects)
{
    return JsonDecoder::decodeDocument<ProjectResponse>(body, [maxProjects](JsonDecoder& decoder,
                                                                            const QJsonValue& value) {
        return ProjectResponse{decoder.requiredList<ProjectObject>(decoder.object(value),
                                                                   QStringLiteral("projects"), maxProjects)};
    });
}

} // namespace tidewell
