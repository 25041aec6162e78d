#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <optional>

namespace tidewell {

// Where a server was started: the folder and the command line typed into a shell.
struct ProcessInfo
{
    QString cwd;
    QString cmd;
    // The argument vector behind `cmd`, where the host tells it; empty when unknown. Not part of
    // the stored form of this record: a quick-launch item keeps it beside it.
    QStringList arguments{};
    // The folder was deleted while the process ran in it: `cwd` is where it was, and it is not
    // kept as a folder to start from again. Never stored.
    bool cwdDeleted = false;

    bool operator==(const ProcessInfo&) const = default;

    QJsonObject toJson() const;
    static std::optional<ProcessInfo> fromJson(const QJsonObject& object);
};

size_t qHash(const ProcessInfo& info, size_t seed = 0);

} // namespace tidewell
