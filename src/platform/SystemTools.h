#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

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
    // Starts the program and returns at once, as startDetached does, and watches it for a while:
    // `onFailure` gets a short reason, on the calling thread, when it cannot start or when it ends
    // with a failure within kWatchMs (a desktop opener that found no handler says so and ends). A
    // program still running then is left to run, also after we end. Call it on a thread with an
    // event loop.
    static constexpr int kWatchMs = 10'000;
    virtual void startWatched(const QString& program, const QStringList& arguments,
                              const QString& workingDirectory,
                              std::function<void(const QString&)> onFailure) = 0;
};

} // namespace tidewell
