#pragma once

#include "records/PortDataLike.h"

#include <QDateTime>
#include <QJsonObject>
#include <memory>

namespace tidewell {

class QuickLaunchItemData;
// Items are shared, never copied: the list, its rows and their actions all hold the same one.
using QuickLaunchItemPtr = std::shared_ptr<QuickLaunchItemData>;

// A saved server: a copy of a port entry as it was when the user saved it, above all its folder
// and command line, so it can be started again. Equal and hashed by `uuid` alone.
class QuickLaunchItemData : public PortDataLike
{
public:
    QuickLaunchItemData(QString uuid, QString processName, QString port, QString pid,
                        std::optional<HTMLData> htmlData, std::optional<ProcessInfo> processInfo,
                        const QDateTime& creationDate);

    // A fresh identity: 36 characters, upper-case hexadecimal digits in groups joined by hyphens.
    static QString newUuid();

    QString uuid() const { return m_uuid; }
    // The port it last ran on, which the item keeps.
    void setPort(const QString& port) { m_port = port; }
    // In UTC.
    QDateTime creationDate() const;

    bool operator==(const QuickLaunchItemData& other) const { return m_uuid == other.m_uuid; }

    // "creationDate" is stored as seconds since 2001-01-01T00:00:00Z, the reference date of the
    // saved lists this format comes from.
    QJsonObject toJson() const;
    // Null on a missing required member or a member of the wrong type; unknown members are ignored.
    static QuickLaunchItemPtr fromJson(const QJsonObject& object);

    static QDateTime referenceDate();

private:
    QString m_uuid;
    // The stored number itself, so that re-saving a list keeps dates finer than a millisecond.
    double m_creationSeconds = 0;
};

size_t qHash(const QuickLaunchItemData& item, size_t seed = 0);

} // namespace tidewell
