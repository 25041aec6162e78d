#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tidewell {

// Starts outside programs. Programs are named by absolute path and get an argument list; nothing
// here goes through a shell unless the caller names one.
class SystemTools
{
public:
    virtual ~SystemTools() = default;

    // Runs the program and returns its standard output read to the end; standard error goes to
    // ours. A program that cannot start gives empty output. Exit statuses are not looked at.
    virtual QByteArray runAndRead(const QString& program, const QStringList& arguments) = 0;
    // Runs the program and waits for it to exit, without reading its output.
    virtual void runAndWait(const QString& program, const QStringList& arguments) = 0;
    // Starts the program and returns at once; false when it could not be started, which includes
    // a working directory that does not exist. An empty working directory keeps ours.
    virtual bool startDetached(const QString& program, const QStringList& arguments,
                               const QString& workingDirectory = {}) = 0;
};

} // namespace tidewell
