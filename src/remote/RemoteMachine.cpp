#include "remote/RemoteMachine.h"

#include <QCoreApplication>
#include <QPointer>

#include "platform/LogCategories.h"
#include "platform/commands/ShellQuoting.h"
#include "probe/PageProbe.h"
#include "remote/RemoteScripts.h"
#include "state/AsyncTask.h"

namespace tidewell {

RemoteMachine::RemoteMachine(SshDestination destination, QString controlFolder, QObject* parent)
    : QObject(parent), m_connection(std::move(destination), std::move(controlFolder)),
      m_probe(new PageProbe(this))
{
    m_readers.setMaxThreadCount(1);
}

RemoteMachine::~RemoteMachine() = default;

void RemoteMachine::setProbeDeadlineMs(int deadlineMs)
{
    m_probe->setDeadlineMs(deadlineMs);
}

void RemoteMachine::refresh(RefreshDone done)
{
    // One command: the script arrives on standard input, so its text never passes through the far
    // side's login shell, whatever shell that is.
    m_connection.run(QStringLiteral("sh -s"), RemoteScripts::listing(), RemoteListingReader::kMaxOutputBytes,
                     [this, done](const SshConnection::Result& result) {
                         if (!result.error.isEmpty()) {
                             done(Refresh{{}, result.error});
                             return;
                         }
                         AsyncTask::runThenCallback(
                             &m_readers, this,
                             [output = result.output] {
                                 auto refresh = std::make_shared<Refresh>();
                                 if (const auto listing = RemoteListingReader::read(output, &refresh->error))
                                     refresh->listing = *listing;
                                 return refresh;
                             },
                             [this, done](const std::shared_ptr<Refresh>& refresh) {
                                 if (!refresh->error.isEmpty()) {
                                     qCDebug(lcRemote) << m_connection.destination().text() << refresh->error;
                                     done(*refresh);
                                     return;
                                 }
                                 probeServers(refresh, done);
                             });
                     });
}

QString RemoteMachine::pageKey(const PortData& entry)
{
    return entry.portKey() + QLatin1Char('@') + entry.identity().startTime;
}

void RemoteMachine::probeServers(std::shared_ptr<Refresh> refresh, RefreshDone done)
{
    QList<qsizetype> unprobed;
    QHash<QString, KnownPage> stillListed;
    for (qsizetype i = 0; i < refresh->listing.servers.size(); ++i) {
        PortData& entry = refresh->listing.servers[i];
        if (entry.htmlData() || refresh->listing.unanswered.contains(entry.portKey()))
            continue;
        const auto known = m_pages.constFind(pageKey(entry));
        if (known != m_pages.cend() && (known->page || !known->retry.hasExpired())) {
            stillListed.insert(known.key(), *known);
            if (known->page)
                entry.setHtmlData(known->page);
            else
                refresh->listing.unanswered.insert(entry.portKey());
            continue;
        }
        unprobed.append(i);
    }
    // Servers that went are forgotten, so the table stays the size of the listing.
    m_pages = stillListed;
    if (unprobed.isEmpty()) {
        done(*refresh);
        return;
    }
    m_connection.dynamicForward([this, refresh, unprobed, done](int socksPort, const QString& error) {
        if (socksPort == 0) {
            // The listing stands; its pages are unknown.
            qCWarning(lcRemote) << m_connection.destination().text() << "no tunnel for probes:" << error;
            for (const qsizetype i : unprobed)
                refresh->listing.unanswered.insert(refresh->listing.servers.at(i).portKey());
            done(*refresh);
            return;
        }
        m_probe->setProxy("socks5h://127.0.0.1:" + QByteArray::number(socksPort));
        auto pending = std::make_shared<qsizetype>(unprobed.size());
        for (const qsizetype i : unprobed) {
            const QString port = refresh->listing.servers.at(i).port();
            m_probe->fetchHTMLData(port, [this, refresh, i, pending, done](PageProbe::Outcome outcome) {
                PortData& entry = refresh->listing.servers[i];
                if (outcome.page)
                    entry.setHtmlData(outcome.page);
                else if (outcome.noAnswer)
                    refresh->listing.unanswered.insert(entry.portKey());
                m_pages.insert(pageKey(entry), {outcome.page, QDeadlineTimer(kRetryUnansweredMs)});
                if (--*pending == 0)
                    done(*refresh);
            });
        }
    });
}

void RemoteMachine::stop(const PortData& entry, StopSignal signal, StopDone callerDone)
{
    const StopDone done = [machine = QPointer(this), callerDone](StopResult result, const QString& error) {
        callerDone(result, error);
        if (machine)
            emit machine->stopEnded();
    };
    const ProcessIdentity listed = entry.identity();
    const bool kill = signal == StopSignal::kill;
    if (listed.startTime.isEmpty()) {
        // Listed by the machine's own tidewell, which makes the same-process check itself.
        m_connection.run(
            QStringLiteral("tidewell --stop %1%2")
                .arg(entry.port().toInt())
                .arg(kill ? QLatin1String(" --force") : QLatin1String("")),
            {}, RemoteListingReader::kMaxTextLength, [done](const SshConnection::Result& result) {
                done(result.exitCode == 0 ? StopResult::stopped : StopResult::stillListening, result.error);
            });
        return;
    }
    // Only numbers, checked as such, and one of two fixed words follow the fixed script.
    bool numbers = false;
    const qulonglong pid = listed.pid.toULongLong(&numbers);
    bool startIsNumber = false;
    const qulonglong start = listed.startTime.toULongLong(&startIsNumber);
    if (!numbers || !startIsNumber || pid == 0) {
        done(StopResult::notListed, {});
        return;
    }
    // Where there is no /proc (no socket inode), the far side checks that the port is still held.
    const QString command = QStringLiteral("sh -s %1 %2 %3 %4 %5")
                                .arg(pid)
                                .arg(start)
                                .arg(listed.socketInode)
                                .arg(kill ? QStringLiteral("KILL") : QStringLiteral("TERM"))
                                .arg(entry.port().toInt());
    m_connection.run(command, RemoteScripts::stop(), RemoteListingReader::kMaxTextLength,
                     [done](const SshConnection::Result& result) {
                         if (!result.error.isEmpty()) {
                             done(StopResult::stillListening, result.error);
                             return;
                         }
                         const QByteArray word = result.output.trimmed();
                         if (word == "stopped")
                             done(StopResult::stopped, {});
                         else if (word == "not-listed")
                             done(StopResult::notListed, {});
                         else if (word == "not-permitted")
                             done(StopResult::notPermitted, {});
                         else if (word == "still-listening")
                             done(StopResult::stillListening, {});
                         else
                             done(StopResult::stillListening,
                                  QCoreApplication::translate("RemoteMachine", "unreadable answer"));
                     });
}

QString RemoteMachine::terminalCommand(const QString& folder) const
{
    // Quoted twice: once for the far side's shell, once for the terminal's here.
    const QString remote =
        QStringLiteral("cd ") + shellQuoted(folder) + QStringLiteral(" && exec \"$SHELL\" -l");
    return QStringLiteral("ssh -t ") + shellQuoted(m_connection.destination().text()) + QLatin1Char(' ') +
           shellQuoted(remote);
}

} // namespace tidewell
