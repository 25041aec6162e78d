#include "cli/RemoteStopCommand.h"

#include "remote/RemoteMachine.h"

#include <QEventLoop>
#include <QSet>

namespace tidewell {

RemoteStopCommand::RemoteStopCommand(const CommandLineOptions& options) : m_options(options) {}

int RemoteStopCommand::run(std::FILE* out, std::FILE* err)
{
    const auto destination = SshDestination::parse(m_options.hosts.value(0));
    if (!destination)
        return 2;
    const QString host = destination->text();
    RemoteMachine machine(*destination);
    QEventLoop loop;
    RemoteMachine::Refresh refresh;
    machine.refresh([&](const RemoteMachine::Refresh& answer) {
        refresh = answer;
        loop.quit();
    });
    loop.exec();
    if (!refresh.error.isEmpty()) {
        std::fprintf(err, "%s: %s\n", qUtf8Printable(host), qUtf8Printable(refresh.error));
        return 1;
    }
    const QString port = QString::number(m_options.stopPort);
    QList<PortData> listeners;
    QSet<QString> pids;
    for (const PortData& entry : refresh.listing.servers + refresh.listing.others) {
        if (entry.port() == port && !pids.contains(entry.pid())) {
            pids.insert(entry.pid());
            listeners.append(entry);
        }
    }
    if (listeners.isEmpty()) {
        std::fprintf(err, "Nothing listens on port %s on %s\n", qUtf8Printable(port), qUtf8Printable(host));
        return 1;
    }
    int failed = 0;
    for (const PortData& entry : std::as_const(listeners)) {
        const QString who =
            QStringLiteral("%1 (pid %2) on port %3 on %4").arg(entry.processName(), entry.pid(), port, host);
        StopResult result = StopResult::stillListening;
        QString error;
        bool killed = false;
        const auto stopWith = [&](StopSignal signal) {
            machine.stop(entry, signal, [&](StopResult answer, const QString& reason) {
                result = answer;
                error = reason;
                loop.quit();
            });
            loop.exec();
        };
        stopWith(StopSignal::terminate);
        if (result == StopResult::stillListening && error.isEmpty() && m_options.force) {
            stopWith(StopSignal::kill);
            killed = true;
        }
        if (!error.isEmpty()) {
            std::fprintf(err, "Not stopped: %s: %s\n", qUtf8Printable(who), qUtf8Printable(error));
            ++failed;
            continue;
        }
        switch (result) {
        case StopResult::stopped:
            std::fprintf(out, "Stopped %s%s\n", qUtf8Printable(who), killed ? " with SIGKILL" : "");
            continue;
        case StopResult::stillListening:
            std::fprintf(err, "%s still listens%s\n", qUtf8Printable(who),
                         killed ? " after SIGKILL" : " after 5 s; --force kills it");
            break;
        case StopResult::notListed:
            std::fprintf(err, "Not stopped: %s ended or gave its pid away\n", qUtf8Printable(who));
            break;
        case StopResult::notPermitted:
            std::fprintf(err, "Not permitted: %s belongs to another user\n", qUtf8Printable(who));
            break;
        }
        ++failed;
    }
    std::fflush(out);
    return failed == 0 ? 0 : 1;
}

} // namespace tidewell
