#pragma once

#include "records/PortData.h"

#include <QByteArray>
#include <QList>

namespace tidewell {

// The printed forms of `tidewell --list`.
class PortTableFormatter
{
public:
    // Aligned columns PORT, PID, PROCESS, TITLE, TYPE, DIRECTORY, COMMAND; one line per entry,
    // control characters inside a field shown as spaces so that every entry stays on its line.
    static QByteArray table(const QList<PortData>& entries);
    // One JSON array of the stored form of each entry.
    static QByteArray json(const QList<PortData>& entries);
};

} // namespace tidewell
