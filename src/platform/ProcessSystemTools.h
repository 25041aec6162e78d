#pragma once

#include "platform/SystemTools.h"

namespace tidewell {

// SystemTools on QProcess. Safe to use from any thread: every call owns its own QProcess.
class ProcessSystemTools : public SystemTools
{
public:
    // A child that is still running after this long is killed, so a hung tool cannot hold a
    // worker thread for ever.
    static constexpr int kTimeoutMs = 30'000;

    QByteArray runAndRead(const QString& program, const QStringList& arguments) override;
    void runAndWait(const QString& program, const QStringList& arguments) override;
    bool startDetached(const QString& program, const QStringList& arguments,
                       const QString& workingDirectory = {}) override;
    void startWatched(const QString& program, const QStringList& arguments, const QString& workingDirectory,
                      std::function<void(const QString&)> onFailure) override;
};

} // namespace tidewell
