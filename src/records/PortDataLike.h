#pragma once

#include "records/HTMLData.h"
#include "records/ProcessInfo.h"

#include <QJsonObject>
#include <QString>
#include <optional>

namespace tidewell {

// What a running port and a saved quick-launch item have in common (process name, port, pid, page
// and origin), held once here, so that rows and actions can show and act on either one.
class PortDataLike
{
public:
    virtual ~PortDataLike() = default;

    QString processName() const { return m_processName; }
    QString port() const { return m_port; }
    QString pid() const { return m_pid; }
    std::optional<HTMLData> htmlData() const { return m_htmlData; }
    void setHtmlData(const std::optional<HTMLData>& data) { m_htmlData = data; }
    std::optional<ProcessInfo> processInfo() const { return m_processInfo; }
    void setProcessInfo(const std::optional<ProcessInfo>& info) { m_processInfo = info; }

protected:
    PortDataLike() = default;
    PortDataLike(QString processName, QString port, QString pid, std::optional<HTMLData> htmlData,
                 std::optional<ProcessInfo> processInfo)
        : m_processName(std::move(processName)), m_port(std::move(port)), m_pid(std::move(pid)),
          m_htmlData(std::move(htmlData)), m_processInfo(std::move(processInfo))
    {}
    PortDataLike(const PortDataLike&) = default;
    PortDataLike& operator=(const PortDataLike&) = default;

    bool sharedFieldsEqual(const PortDataLike& other) const
    {
        return m_processName == other.m_processName && m_port == other.m_port && m_pid == other.m_pid &&
               m_htmlData == other.m_htmlData && m_processInfo == other.m_processInfo;
    }
    // The shared members under the names both stored forms use; "htmlData" and "processInfo" only when
    // there is one.
    void insertSharedFields(QJsonObject& object) const
    {
        object.insert(QStringLiteral("processName"), m_processName);
        object.insert(QStringLiteral("port"), m_port);
        object.insert(QStringLiteral("pid"), m_pid);
        if (m_htmlData)
            object.insert(QStringLiteral("htmlData"), m_htmlData->toJson());
        if (m_processInfo)
            object.insert(QStringLiteral("processInfo"), m_processInfo->toJson());
    }

    QString m_processName;
    QString m_port;
    QString m_pid;
    std::optional<HTMLData> m_htmlData;
    std::optional<ProcessInfo> m_processInfo;
};

} // namespace tidewell
