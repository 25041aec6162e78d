#pragma once

#include "records/PortDataLike.h"

#include <QJsonObject>
#include <QMetaType>

namespace tidewell {

// One listening socket as the listing tool prints it. The three texts stay exactly as printed:
// a cut, escaped process name such as "Code\x20H" is stored, compared and shown in that form.
class PortData : public PortDataLike
{
public:
    PortData() = default;
    PortData(QString processName, QString port, QString pid, std::optional<HTMLData> htmlData = std::nullopt,
             std::optional<ProcessInfo> processInfo = std::nullopt);

    QString processName() const override { return m_processName; }
    QString port() const override { return m_port; }
    QString pid() const override { return m_pid; }
    std::optional<HTMLData> htmlData() const override { return m_htmlData; }
    void setHtmlData(const std::optional<HTMLData>& data) override { m_htmlData = data; }
    std::optional<ProcessInfo> processInfo() const override { return m_processInfo; }
    void setProcessInfo(const std::optional<ProcessInfo>& info) override { m_processInfo = info; }

    // The map key of a row: one entry per pair of port and process id.
    QString portKey() const { return m_port + QLatin1Char(':') + m_pid; }

    bool operator==(const PortData& other) const;

    QJsonObject toJson() const;
    static std::optional<PortData> fromJson(const QJsonObject& object);

private:
    QString m_processName;
    QString m_port;
    QString m_pid;
    std::optional<HTMLData> m_htmlData;
    std::optional<ProcessInfo> m_processInfo;
};

size_t qHash(const PortData& data, size_t seed = 0);

} // namespace tidewell

Q_DECLARE_METATYPE(tidewell::PortData)
