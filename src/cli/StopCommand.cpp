#include "cli/StopCommand.h"

#include "ports/PortScanner.h"

#include <QSet>
#include <curl/curl.h>

namespace tidewell {

namespace {

void print(std::FILE* file, const QString& line)
{
    std::fprintf(file, "%s\n", qUtf8Printable(line));
    std::fflush(file);
}

// Whether something answers on the port although no listed process holds it: the kernel shows the
// sockets of another user's processes but not who holds them.
bool portAnswers(int port)
{
    for (const char* address : {"127.0.0.1", "[::1]"}) {
        CURL* const easy = curl_easy_init();
        if (!easy)
            return false;
        // A connection and nothing more: whatever the port speaks, it is not asked anything.
        const QByteArray url = "http://" + QByteArray(address) + ':' + QByteArray::number(port);
        curl_easy_setopt(easy, CURLOPT_URL, url.constData());
        curl_easy_setopt(easy, CURLOPT_CONNECT_ONLY, 1L);
        curl_easy_setopt(easy, CURLOPT_PROXY, "");
        curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, 1000L);
        const bool connected = curl_easy_perform(easy) == CURLE_OK;
        curl_easy_cleanup(easy);
        if (connected)
            return true;
    }
    return false;
}

} // namespace

StopCommand::StopCommand(const CommandLineOptions& options, Host host, int watchMs)
    : m_options(options), m_host(std::move(host)), m_watchMs(watchMs)
{}

int StopCommand::run(std::FILE* out, std::FILE* err)
{
    const QString port = QString::number(m_options.stopPort);
    const ScanResult scan = PortScanner(m_host.sockets, m_host.processes).scanListeningPorts();
    // One process may listen on the port more than once (IPv4 and IPv6): it is stopped once.
    QList<PortData> listeners;
    QSet<QString> pids;
    for (const PortData& entry : scan.candidates + scan.ignored) {
        if (entry.port() == port && !pids.contains(entry.pid())) {
            pids.insert(entry.pid());
            listeners.append(entry);
        }
    }
    if (listeners.isEmpty()) {
        print(err, portAnswers(m_options.stopPort)
                       ? tr("Not permitted: port %1 is held by a process of another user").arg(port)
                       : tr("Nothing listens on port %1").arg(port));
        return 1;
    }

    const ProcessStopper stopper(m_host.tools, m_host.processes);
    int failed = 0;
    for (const PortData& entry : listeners) {
        const QString who = tr("%1 (pid %2) on port %3").arg(entry.processName(), entry.pid(), port);
        StopResult result = stopper.stopProcess(entry.identity(), StopSignal::terminate, m_watchMs);
        bool killed = false;
        if (result == StopResult::stillListening && m_options.force) {
            result = stopper.stopProcess(entry.identity(), StopSignal::kill, m_watchMs);
            killed = true;
        }
        switch (result) {
        case StopResult::stopped:
            print(out, killed ? tr("Stopped %1 with SIGKILL").arg(who) : tr("Stopped %1").arg(who));
            continue;
        case StopResult::stillListening:
            print(err, killed ? tr("%1 still listens after SIGKILL").arg(who)
                              : tr("%1 still listens after %2 s; --force kills it")
                                    .arg(who, QString::number(m_watchMs / 1000.0)));
            break;
        case StopResult::notListed:
            print(err, tr("Not stopped: %1 ended or gave its pid away").arg(who));
            break;
        case StopResult::notPermitted:
            print(err, tr("Not permitted: %1 belongs to another user").arg(who));
            break;
        }
        ++failed;
    }
    return failed == 0 ? 0 : 1;
}

} // namespace tidewell
