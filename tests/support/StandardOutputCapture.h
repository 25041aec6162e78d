#pragma once

#include <QByteArray>
#include <QStringList>
#include <QTemporaryFile>

namespace tidewell::test {

// Sends this process's standard output into a file while the object lives, so a test can read the
// diagnostic lines the code under test prints. Not nestable.
class StandardOutputCapture
{
public:
    StandardOutputCapture();
    ~StandardOutputCapture();
    StandardOutputCapture(const StandardOutputCapture&) = delete;
    StandardOutputCapture& operator=(const StandardOutputCapture&) = delete;

    // Everything printed since the capture began.
    QByteArray text();
    // The same, split into lines without their line feeds.
    QStringList lines();

private:
    void restore();

    QTemporaryFile m_file;
    int m_savedDescriptor = -1;
};

} // namespace tidewell::test
