#include "SshTestMachine.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace tidewell::test {

namespace {

const QString kSshd = u"/usr/sbin/sshd"_s;

bool makeExecutable(const QString& path, const QByteArray& content)
{
    return writeFile(path, content) &&
           QFile::setPermissions(path,
                                 QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

} // namespace

SshTestMachine::SshTestMachine(const QString& tidewellProgram)
{
    m_skipReason = setUp(tidewellProgram);
}

SshTestMachine::~SshTestMachine()
{
    if (!m_skipReason.isEmpty())
        return;
    // The masters the tests opened outlive their commands (ControlPersist): they end with the test.
    for (const QString& host : std::as_const(m_hosts))
        runProgram(u"ssh"_s,
                   {u"-O"_s, u"exit"_s, u"-o"_s, u"ControlPath="_s + folder() + u"/run/tidewell/%C"_s, host},
                   m_environment, 10000);
}

QString SshTestMachine::setUp(const QString& tidewellProgram)
{
    if (::geteuid() != 0)
        return u"needs root for a network namespace"_s;
    if (!QFile::exists(kSshd))
        return u"needs sshd (openssh-server)"_s;
    const QString ssh = findProgram(u"ssh"_s);
    const QString nsenter = findProgram(u"nsenter"_s);
    const QString unshare = findProgram(u"unshare"_s);
    const QString keygen = findProgram(u"ssh-keygen"_s);
    if (ssh.isEmpty() || nsenter.isEmpty() || unshare.isEmpty() || keygen.isEmpty())
        return u"needs ssh, ssh-keygen, nsenter and unshare"_s;
    if (!m_folder.isValid())
        return u"no temporary folder"_s;
    // sshd refuses to run without its privilege separation folder, which its service makes at boot.
    QDir().mkpath(u"/run/sshd"_s);

    m_namespace = std::make_unique<ChildProcess>(
        unshare,
        QStringList{u"-n"_s, u"sh"_s, u"-c"_s, u"ip link set lo up && echo ready 0 && exec sleep 100000"_s});
    if (!m_namespace->waitUntilReady())
        return u"cannot make a network namespace here"_s;
    const QString enter = nsenter + u" --net=/proc/"_s + QString::number(m_namespace->pid()) + u"/ns/net"_s;

    const QString dir = folder();
    for (const QString& key : {u"hostkey"_s, u"userkey"_s, u"otherkey"_s}) {
        const ProgramRun made = runProgram(
            keygen, {u"-q"_s, u"-t"_s, u"ed25519"_s, u"-N"_s, QString(), u"-f"_s, dir + u'/' + key});
        if (made.exitCode != 0)
            return u"ssh-keygen failed: "_s + QString::fromUtf8(made.err);
    }
    const QByteArray sshdConfig = "HostKey " + (dir + u"/hostkey"_s).toUtf8() + "\nAuthorizedKeysFile " +
                                  (dir + u"/userkey.pub"_s).toUtf8() +
                                  "\nPermitRootLogin prohibit-password\nPasswordAuthentication no\n"
                                  "KbdInteractiveAuthentication no\nUsePAM no\nStrictModes no\n"
                                  "AllowTcpForwarding yes\nPidFile none\nLogLevel ERROR\n";
    // The far side's PATH: without tidewell, with the program under test, with a hostile stand-in, with
    // an ss that finds nothing, as where iproute2 is missing or may not see other users' sockets, with
    // a uname that says Darwin, so that the listing and the stop take their lsof and ps way as on macOS.
    const QString tidewellBin = dir + u"/far-tidewell-bin"_s;
    const QString hostileBin = dir + u"/far-hostile-bin"_s;
    const QString noSsBin = dir + u"/far-noss-bin"_s;
    const QString macBin = dir + u"/far-mac-bin"_s;
    QDir().mkpath(tidewellBin);
    QFile::link(tidewellProgram, tidewellBin + u"/tidewell"_s);
    if (!makeExecutable(hostileBin + u"/tidewell"_s,
                        "#!/bin/sh\nexec cat " + (dir + u"/hostile"_s).toUtf8() + "\n"))
        return u"cannot write the hostile program"_s;
    if (!makeExecutable(noSsBin + u"/ss"_s, "#!/bin/sh\nexit 127\n"))
        return u"cannot write the ss stand-in"_s;
    if (!makeExecutable(macBin + u"/uname"_s, "#!/bin/sh\necho Darwin\n"))
        return u"cannot write the uname stand-in"_s;
    const auto pathLine = [](const QString& bin) {
        return "SetEnv PATH=" + bin.toUtf8() + ":/usr/bin:/bin\n";
    };
    if (!writeFile(dir + u"/sshd_config"_s, sshdConfig) ||
        !writeFile(dir + u"/sshd_tidewell"_s, sshdConfig + pathLine(tidewellBin)) ||
        !writeFile(dir + u"/sshd_hostile"_s, sshdConfig + pathLine(hostileBin)) ||
        !writeFile(dir + u"/sshd_proc"_s, sshdConfig + pathLine(noSsBin)) ||
        !writeFile(dir + u"/sshd_mac"_s, sshdConfig + pathLine(macBin)))
        return u"cannot write sshd's configuration"_s;

    const QByteArray hostKey = fileContent(dir + u"/hostkey.pub"_s).trimmed();
    writeFile(dir + u"/known_hosts"_s, "far " + hostKey + "\n");
    writeFile(dir + u"/known_hosts_empty"_s, {});
    QByteArray config;
    const auto host = [&](const char* name, const QString& key, const char* knownHosts,
                          const QString& proxy) {
        m_hosts.append(QString::fromLatin1(name));
        // Each its own HostName, so that each has its own master (ControlPath's %C hashes it); one host key.
        config += "Host " + QByteArray(name) + "\n  HostName " + QByteArray(name) +
                  "\n  HostKeyAlias far\n  User root\n  IdentityFile " + (dir + u'/' + key).toUtf8() +
                  "\n  IdentitiesOnly yes\n  IdentityAgent none\n  UserKnownHostsFile " +
                  (dir + u'/').toUtf8() + knownHosts + "\n  GlobalKnownHostsFile /dev/null\n  ProxyCommand " +
                  proxy.toUtf8() + "\n";
    };
    // A run that is killed cannot end its masters: the far side of each gives up after 15 minutes.
    const auto sshdProxy = [&](const QString& configFile) {
        return u"timeout 900 "_s + enter + u' ' + kSshd + u" -i -f "_s + dir + u'/' + configFile;
    };
    host("far", u"userkey"_s, "known_hosts", sshdProxy(u"sshd_config"_s));
    host("far-proc", u"userkey"_s, "known_hosts", sshdProxy(u"sshd_proc"_s));
    host("far-mac", u"userkey"_s, "known_hosts", sshdProxy(u"sshd_mac"_s));
    host("far-tidewell", u"userkey"_s, "known_hosts", sshdProxy(u"sshd_tidewell"_s));
    host("far-hostile", u"userkey"_s, "known_hosts", sshdProxy(u"sshd_hostile"_s));
    host("far-unknown", u"userkey"_s, "known_hosts_empty", sshdProxy(u"sshd_config"_s));
    host("far-nokey", u"otherkey"_s, "known_hosts", sshdProxy(u"sshd_config"_s));
    // Port 1 in the namespace: nothing listens there, so the connection is refused.
    host("far-down", u"userkey"_s, "known_hosts", enter + u" bash -c 'exec 3<>/dev/tcp/127.0.0.1/1'"_s);
    if (!writeFile(dir + u"/ssh_config"_s, config))
        return u"cannot write ssh's configuration"_s;

    const QString bin = dir + u"/bin"_s;
    if (!makeExecutable(bin + u"/ssh"_s, "#!/bin/sh\nexec " + ssh.toUtf8() + " -F " +
                                             (dir + u"/ssh_config"_s).toUtf8() + " \"$@\"\n"))
        return u"cannot write the ssh wrapper"_s;
    QDir().mkpath(dir + u"/run"_s);
    QFile::setPermissions(dir + u"/run"_s,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QString path = bin + u':' + qEnvironmentVariable("PATH");
    qputenv("PATH", path.toUtf8());
    qputenv("XDG_RUNTIME_DIR", (dir + u"/run"_s).toUtf8());
    m_environment.insert(u"PATH"_s, path);
    m_environment.insert(u"XDG_RUNTIME_DIR"_s, dir + u"/run"_s);
    return {};
}

std::unique_ptr<ChildProcess> SshTestMachine::startInside(const QString& program,
                                                          const QStringList& arguments, const QString& folder)
{
    const QStringList command = commandInside(program, arguments);
    return std::make_unique<ChildProcess>(command.first(), command.mid(1), folder);
}

QStringList SshTestMachine::commandInside(const QString& program, const QStringList& arguments) const
{
    return QStringList{findProgram(u"nsenter"_s),
                       u"--net=/proc/"_s + QString::number(m_namespace->pid()) + u"/ns/net"_s, program} +
           arguments;
}

void SshTestMachine::setHostileListing(const QByteArray& output)
{
    writeFile(folder() + u"/hostile"_s, output);
}

} // namespace tidewell::test
