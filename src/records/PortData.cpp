#include "records/PortData.h"

#include <QHashFunctions>

namespace tidewell {

PortData::PortData(QString processName, QString port, QString pid, std::optional<HTMLData> htmlData,
                   std::optional<ProcessInfo> processInfo)
    : PortDataLike(std::move(processName), std::move(port), std::move(pid), std::move(htmlData),
                   std::move(processInfo))
{}

bool PortData::operator==(const PortData& other) const
{
    return sharedFieldsEqual(other) && m_startTime == other.m_startTime &&
           m_socketInode == other.m_socketInode && m_runtime == other.m_runtime;
}

QJsonObject PortData::toJson() const
{
    QJsonObject object;
    insertSharedFields(object);
    return object;
}

std::optional<PortData> PortData::fromJson(const QJsonObject& object)
{
    const QJsonValue name = object.value(QStringLiteral("processName"));
    const QJsonValue port = object.value(QStringLiteral("port"));
    const QJsonValue pid = object.value(QStringLiteral("pid"));
    if (!name.isString() || !port.isString() || !pid.isString())
        return std::nullopt;
    PortData data(name.toString(), port.toString(), pid.toString());

    // An optional member that is present must decode; a broken one fails the whole record.
    const QJsonValue html = object.value(QStringLiteral("htmlData"));
    if (!html.isUndefined() && !html.isNull()) {
        const auto decoded = html.isObject() ? HTMLData::fromJson(html.toObject()) : std::nullopt;
        if (!decoded)
            return std::nullopt;
        data.setHtmlData(decoded);
    }
    const QJsonValue info = object.value(QStringLiteral("processInfo"));
    if (!info.isUndefined() && !info.isNull()) {
        const auto decoded = info.isObject() ? ProcessInfo::fromJson(info.toObject()) : std::nullopt;
        if (!decoded)
            return std::nullopt;
        data.setProcessInfo(decoded);
    }
    return data;
}

size_t qHash(const PortData& data, size_t seed)
{
    const auto html = data.htmlData();
    const auto info = data.processInfo();
    return qHashMulti(seed, data.processName(), data.port(), data.pid(), html.has_value(),
                      html ? qHash(*html) : size_t(0), info.has_value(), info ? qHash(*info) : size_t(0));
}

} // namespace tidewell
