#pragma once

#include <QString>

namespace tidewell {

// Live figures of one process, all as display texts.
struct ProcessStats
{
    QString cpu;       // percent, as ps prints it, without a "%" sign
    QString mem;       // percent of physical memory, as ps prints it
    QString memMB;     // resident memory, formatted for display
    QString gitBranch; // current branch of the working directory, empty when there is none

    bool operator==(const ProcessStats&) const = default;
};

} // namespace tidewell
