#include "quicklaunch/QuickLaunchItemData.h"

#include <QHashFunctions>
#include <QJsonArray>
#include <QUuid>
#include <cmath>

namespace tidewell {

namespace {

const QString kUuid = QStringLiteral("uuid");
const QString kProcessName = QStringLiteral("processName");
const QString kPort = QStringLiteral("port");
const QString kPid = QStringLiteral("pid");
const QString kHtmlData = QStringLiteral("htmlData");
const QString kProcessInfo = QStringLiteral("processInfo");
const QString kCreationDate = QStringLiteral("creationDate");
const QString kArguments = QStringLiteral("arguments");

double secondsSinceReference(const QDateTime& date)
{
    return double(QuickLaunchItemData::referenceDate().msecsTo(date)) / 1000.0;
}

// Nothing unless every element is a text: the command text then serves alone, as it always can.
QStringList argumentsFrom(const QJsonValue& value)
{
    QStringList arguments;
    for (const QJsonValue element : value.toArray()) {
        if (!element.isString())
            return {};
        arguments.append(element.toString());
    }
    return arguments;
}

} // namespace

QuickLaunchItemData::QuickLaunchItemData(QString uuid, QString processName, QString port, QString pid,
                                         std::optional<HTMLData> htmlData,
                                         std::optional<ProcessInfo> processInfo,
                                         const QDateTime& creationDate)
    : PortDataLike(std::move(processName), std::move(port), std::move(pid), std::move(htmlData),
                   std::move(processInfo)),
      m_uuid(std::move(uuid)), m_creationSeconds(secondsSinceReference(creationDate))
{}

QString QuickLaunchItemData::newUuid()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

QDateTime QuickLaunchItemData::referenceDate()
{
    return QDateTime(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
}

QDateTime QuickLaunchItemData::creationDate() const
{
    return referenceDate().addMSecs(std::llround(m_creationSeconds * 1000.0));
}

QJsonObject QuickLaunchItemData::toJson() const
{
    QJsonObject object{{kUuid, m_uuid}, {kCreationDate, m_creationSeconds}};
    insertSharedFields(object);
    // Beside "processInfo", whose form other readers of this list know and expect unchanged.
    if (m_processInfo && !m_processInfo->arguments.isEmpty())
        object.insert(kArguments, QJsonArray::fromStringList(m_processInfo->arguments));
    return object;
}

QuickLaunchItemPtr QuickLaunchItemData::fromJson(const QJsonObject& object)
{
    for (const QString& key : {kUuid, kProcessName, kPort, kPid}) {
        if (!object.value(key).isString())
            return nullptr;
    }
    const QJsonValue creation = object.value(kCreationDate);
    if (!creation.isDouble() || !std::isfinite(creation.toDouble()))
        return nullptr;

    // An absent optional member may also have been written as null.
    std::optional<HTMLData> htmlData;
    if (!object.value(kHtmlData).isUndefined() && !object.value(kHtmlData).isNull()) {
        const QJsonValue value = object.value(kHtmlData);
        if (!value.isObject() || !(htmlData = HTMLData::fromJson(value.toObject())))
            return nullptr;
    }
    std::optional<ProcessInfo> processInfo;
    if (!object.value(kProcessInfo).isUndefined() && !object.value(kProcessInfo).isNull()) {
        const QJsonValue value = object.value(kProcessInfo);
        if (!value.isObject() || !(processInfo = ProcessInfo::fromJson(value.toObject())))
            return nullptr;
        processInfo->arguments = argumentsFrom(object.value(kArguments));
    }

    auto item = std::make_shared<QuickLaunchItemData>(
        object.value(kUuid).toString(), object.value(kProcessName).toString(), object.value(kPort).toString(),
        object.value(kPid).toString(), htmlData, processInfo, referenceDate());
    item->m_creationSeconds = creation.toDouble();
    return item;
}

size_t qHash(const QuickLaunchItemData& item, size_t seed)
{
    return qHash(item.uuid(), seed);
}

} // namespace tidewell
