#pragma once

#include "TestProcesses.h"

#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>
#include <memory>

namespace tidewell::test {

// A remote machine for the tests, on this one: OpenSSH's sshd in a network namespace of the test's own,
// with a host key and a user key made for the run, reached by a ProxyCommand that enters the namespace
// and runs `sshd -i` there, so no address outside this machine is ever used. An `ssh` first on PATH
// adds the test's configuration, which names these machines:
//   far          the namespace, no tidewell on its PATH
//   far-proc     the same, with an `ss` that finds nothing, so sockets are read from /proc
//   far-mac      the same, with a `uname` that says Darwin, so the scripts use lsof and ps, not /proc
//   far-tidewell the same, with `tidewell` on its PATH (the program under test, given to the constructor)
//   far-hostile  the same, with a `tidewell` that prints whatever setHostileListing() was given
//   far-unknown  the same, with a known_hosts file that lacks its host key
//   far-nokey    the same, offering a key it does not accept
//   far-down     a machine nothing answers for: its ProxyCommand finds no port open
// Needs root (for the namespace) and sshd; otherwise skipReason() says which is missing.
class SshTestMachine
{
public:
    explicit SshTestMachine(const QString& tidewellProgram);
    ~SshTestMachine();
    SshTestMachine(const SshTestMachine&) = delete;
    SshTestMachine& operator=(const SshTestMachine&) = delete;

    // Empty when the machine is up.
    QString skipReason() const { return m_skipReason; }
    // PATH with the `ssh` wrapper first and XDG_RUNTIME_DIR in the test's folder: for this process
    // (applied by the constructor) and for programs the test starts.
    QProcessEnvironment environment() const { return m_environment; }
    // Starts a program inside the namespace as a child of the test, in `folder`.
    std::unique_ptr<ChildProcess> startInside(const QString& program, const QStringList& arguments,
                                              const QString& folder = {});
    // The command line that runs `program` inside the namespace, for a caller that starts it itself.
    QStringList commandInside(const QString& program, const QStringList& arguments) const;
    void setHostileListing(const QByteArray& output);
    QString folder() const { return m_folder.path(); }

private:
    QString setUp(const QString& tidewellProgram);

    QTemporaryDir m_folder;
    QString m_skipReason;
    QProcessEnvironment m_environment;
    std::unique_ptr<ChildProcess> m_namespace;
    // Every host of the ssh configuration, whose master the end of the test closes.
    QStringList m_hosts;
};

} // namespace tidewell::test
