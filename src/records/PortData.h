#pragma once

#include "records/PortDataLike.h"
#include "records/ProcessIdentity.h"

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

    // Which process was listed, as the scan saw it; the same-process check before a stop and the
    // origin lookup compare against it.
    ProcessIdentity identity() const { return {m_pid, m_startTime, m_socketInode}; }
    void setListedIdentity(const QString& startTime, quint64 socketInode)
    {
        m_startTime = startTime;
        m_socketInode = socketInode;
    }

    // The runtime the process runs on ("node", "bun", "deno", "python"), which its icon shows; empty
    // for any other program.
    QString runtime() const { return m_runtime; }
    void setRuntime(const QString& runtime) { m_runtime = runtime; }

    // The map key of a row: one entry per pair of port and process id.
    QString portKey() const { return m_port + QLatin1Char(':') + m_pid; }

    bool operator==(const PortData& other) const;

    QJsonObject toJson() const;
    static std::optional<PortData> fromJson(const QJsonObject& object);

private:
    QString m_startTime;
    quint64 m_socketInode = 0;
    QString m_runtime;
};

size_t qHash(const PortData& data, size_t seed = 0);

} // namespace tidewell

Q_DECLARE_METATYPE(tidewell::PortData)
