#pragma once

#include <QString>

namespace tidewell {

// One statistics reading of a process, as `ps -o %cpu,%mem,rss` and git would print it.
struct ProcessReading
{
    QString cpu;          // percent of one core, one decimal
    QString mem;          // percent of physical memory, one decimal
    QString rssKilobytes; // resident set size; not always a number when read from a tool
    QString gitBranch;    // empty outside a work tree or on a detached HEAD

    bool operator==(const ProcessReading&) const = default;
};

} // namespace tidewell
