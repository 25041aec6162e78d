#pragma once

#include "remote/SshDestination.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace tidewell {

// The remote machines the user keeps in the settings, each switched on or off, in the order added;
// read from and written to its JSON text (AppState::remoteMachinesData), and the hosts of the user's
// ~/.ssh/config offered for choice. Callable from any thread.
class RemoteMachineList
{
public:
    struct Machine
    {
        QString destination;
        bool enabled = true;
        bool operator==(const Machine&) const = default;
    };

    // Entries that are not ssh destinations, and repeats, are left out.
    static QList<Machine> fromJson(const QString& json);
    static QString toJson(const QList<Machine>& machines);

    // The plain `Host` names of an ssh config text: patterns (`*`, `?`, `!`) are no machine.
    static QStringList configHosts(const QByteArray& configText);
    // Those of ~/.ssh/config, read only when it is a regular file of a sane size.
    static QStringList userConfigHosts();
};

} // namespace tidewell
