#include "records/Deployments.h"

#include <QCoreApplication>

#include "records/JsonDecoder.h"

namespace tidewell {

QJsonObject Deployments::toJson() const
{
    QJsonObject object{{QStringLiteral("id"), id},
                       {QStringLiteral("meta"), meta.toJson()},
                       {QStringLiteral("readyState"), readyStateText(readyState)}};
    if (buildingAt)
        object.insert(QStringLiteral("buildingAt"), *buildingAt);
    if (readyAt)
        object.insert(QStringLiteral("readyAt"), *readyAt);
    return object;
}

Deployments Deployments::decode(JsonDecoder& decoder, const QJsonValue& value)
{
    const QJsonObject object = decoder.object(value);
    Deployments deployment;
    deployment.id = decoder.requiredString(object, QStringLiteral("id"));
    deployment.meta = decoder.requiredRecord<Meta>(object, QStringLiteral("meta"));
    const QString state = decoder.requiredString(object, QStringLiteral("readyState"));
    if (const auto known = readyStateFromText(state))
        deployment.readyState = *known;
    else if (!decoder.failed())
        decoder.fail(QCoreApplication::translate("Deployments", "Unknown readyState \"%1\"").arg(state));
    deployment.buildingAt = decoder.optionalNumber(object, QStringLiteral("buildingAt"));
    deployment.readyAt = decoder.optionalNumber(object, QStringLiteral("readyAt"));
    return deployment;
}

} // namespace tidewell
