#pragma once

#include <QString>
#include <QStringList>

namespace tidewell {

// The one place that writes the program's diagnostic lines (failures and trace lines) to standard
// output, a line at a time and flushed at once. Safe to call from any thread.
namespace Diagnostics {

void writeLine(const QString& line);

// While one lives, lines go into it instead of standard output, so a test reads exactly the
// program's own lines and the test runner's messages still reach the terminal. Not nestable.
class Capture
{
public:
    Capture();
    ~Capture();
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;

    QStringList lines() const;

private:
    friend void writeLine(const QString& line);
    QStringList m_lines;
};

} // namespace Diagnostics

} // namespace tidewell
