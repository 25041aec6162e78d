#pragma once

#include "remote/SshDestination.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QProcess;

namespace tidewell {

// One remote machine's connection through the user's own `ssh` from PATH: every command and forward
// goes through one master connection (ControlMaster, its socket in Tidewell's private runtime folder,
// kept ControlPersist minutes after the last use). ssh never asks anything (BatchMode) and host keys
// are checked as the user's configuration says: an unknown key fails, it is never accepted here.
// Lives on the interface thread; each call starts ssh as a QProcess and answers later, never waiting.
class SshConnection : public QObject
{
    Q_OBJECT
public:
    struct Result
    {
        QByteArray output;
        int exitCode = -1;
        // Empty on success; else why, in one line ("needs a key or an agent").
        QString error;
    };
    using Done = std::function<void(const Result&)>;
    // The local port of a forward, or 0 with the reason.
    using ForwardDone = std::function<void(int localPort, const QString& error)>;

    // How long the master outlives its last use.
    static constexpr int kPersistSeconds = 300;
    static constexpr int kConnectTimeoutSeconds = 15;
    static constexpr qsizetype kMaxErrorBytes = 64 * 1024;
    // How long the destructor waits for a killed ssh client to be reaped; SIGKILL ends it at once.
    static constexpr int kKilledWaitMs = 200;

    explicit SshConnection(SshDestination destination, QString controlFolder = defaultControlFolder(),
                           QObject* parent = nullptr);
    // Kills the commands still running, without answering them, and cancels the SOCKS forward
    // without waiting: a master with a forward open never ends by itself.
    ~SshConnection() override;

    // $XDG_RUNTIME_DIR/tidewell (or Qt's private runtime folder), made with mode 0700.
    static QString defaultControlFolder();
    // The reason shown for a failed run, from ssh's exit code and standard error.
    static QString failureReason(const QByteArray& errorOutput, int exitCode);

    const SshDestination& destination() const { return m_destination; }
    // ssh's options for this machine, before the destination: BatchMode and the shared master.
    QStringList masterOptions() const;

    // Runs `remoteCommand` on the machine with `input` on its standard input; its output is read up
    // to `maxOutputBytes`, and a run that sends more fails.
    void run(const QString& remoteCommand, const QByteArray& input, qsizetype maxOutputBytes, Done done);
    // Asks the master to forward a local port to `remotePort` on the machine's localhost: `localPort`,
    // or a free one when it is 0.
    void forwardLocal(int remotePort, int localPort, ForwardDone done);
    void cancelLocal(int remotePort, int localPort);
    // The one SOCKS forward (`-D`) of this connection, opened on first use and kept.
    void dynamicForward(ForwardDone done);

private:
    // Runs ssh with `arguments` (after the master options) and hands over its result.
    QProcess* start(const QStringList& arguments, const QByteArray& input, qsizetype maxOutputBytes,
                    Done done);
    // Makes sure a master runs, then calls `then` with an empty error, or the reason it could not.
    void withMaster(std::function<void(const QString& error)> then);
    void forward(const QString& option, const QString& ports, int localPort, ForwardDone done);

    SshDestination m_destination;
    QString m_controlFolder;
    int m_dynamicPort = 0;
};

// A local TCP port nothing listens on now, on the loopback address; 0 when none could be had.
int freeLocalPort();

} // namespace tidewell
