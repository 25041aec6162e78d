#pragma once

#include <QJsonObject>
#include <QString>
#include <optional>

namespace tidewell {

// Where a server was started: the folder and the command line typed into a shell.
struct ProcessInfo
{
    QString cwd;
    QString cmd;

    bool operator==(const ProcessInfo&) const = default;

    QJsonObject toJson() const;
    static std::optional<ProcessInfo> fromJson(const QJsonObject& object);
};

size_t qHash(const ProcessInfo& info, size_t seed = 0);

} // namespace tidewell
