#pragma once

#include "records/PortData.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QSet>

namespace tidewell {

// The printed forms of `tidewell --list`.
class PortTableFormatter
{
    Q_DECLARE_TR_FUNCTIONS(PortTableFormatter)

public:
    // Aligned columns PORT, PID, PROCESS, TITLE, TYPE, DIRECTORY, COMMAND; one line per entry,
    // each field of outside text on one line and cut (TextTable::field); the JSON keeps them whole.
    // Entries whose key is in `unanswered` did not answer in time: no title, "no answer" as type.
    static QByteArray table(const QList<PortData>& entries, const QSet<QString>& unanswered = {});
    // One JSON array of the stored form of each entry; unanswered ones carry "answered": false, and
    // those whose key is in `deployments` carry that object as "deployment".
    static QByteArray json(const QList<PortData>& entries, const QSet<QString>& unanswered = {},
                           const QHash<QString, QJsonObject>& deployments = {});
};

} // namespace tidewell
