#pragma once

#include "records/PortDataLike.h"

#include <QWidget>

namespace tidewell {

// The body of a row's popover: name, port and pid, then where the process was started and the
// command line with a copy button.
class ProcessDetailsPanel : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kMaxPathWidth = 400;

    // A saved item shows no pid: it would be the pid of a process that may be long gone.
    ProcessDetailsPanel(const PortDataLike& entry, bool showPid, QWidget* parent = nullptr);

    // Adds a part below a dividing line, such as where the server's project is deployed.
    void addSection(QWidget* section);
};

} // namespace tidewell
