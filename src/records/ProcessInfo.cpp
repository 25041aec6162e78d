#include "records/ProcessInfo.h"

#include <QHashFunctions>

namespace tidewell {

QJsonObject ProcessInfo::toJson() const
{
    return QJsonObject{{QStringLiteral("cwd"), cwd}, {QStringLiteral("cmd"), cmd}};
}

std::optional<ProcessInfo> ProcessInfo::fromJson(const QJsonObject& object)
{
    const QJsonValue cwd = object.value(QStringLiteral("cwd"));
    const QJsonValue cmd = object.value(QStringLiteral("cmd"));
    if (!cwd.isString() || !cmd.isString())
        return std::nullopt;
    return ProcessInfo{cwd.toString(), cmd.toString()};
}

size_t qHash(const ProcessInfo& info, size_t seed)
{
    return qHashMulti(seed, info.cwd, info.cmd);
}

} // namespace tidewell
