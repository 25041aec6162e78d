#include "records/ProjectObject.h"

#include "records/JsonDecoder.h"

#include <QJsonArray>

namespace tidewell {

QJsonObject ProjectObject::toJson() const
{
    QJsonArray deployments;
    for (const Deployments& deployment : latestDeployments)
        deployments.append(deployment.toJson());
    QJsonObject object{{QStringLiteral("id"), id},
                       {QStringLiteral("name"), name},
                       {QStringLiteral("latestDeployments"), deployments}};
    if (framework)
        object.insert(QStringLiteral("framework"), *framework);
    return object;
}

ProjectObject ProjectObject::decode(JsonDecoder& decoder, const QJsonValue& value)
{
    const QJsonObject object = decoder.object(value);
    ProjectObject project;
    project.id = decoder.requiredString(object, QStringLiteral("id"));
    project.name = decoder.requiredString(object, QStringLiteral("name"));
    project.framework = decoder.optionalString(object, QStringLiteral("framework"));
    project.latestDeployments =
        decoder.requiredList<Deployments>(object, QStringLiteral("latestDeployments"));
    return project;
}

Result<ProjectObject> ProjectObject::fromJson(const QByteArray& body)
{
    return JsonDecoder::decodeDocument<ProjectObject>(body);
}

} // namespace tidewell
