#include "cli/RemoteListCommand.h"

#include "cli/PortTableFormatter.h"
#include "remote/RemoteMachine.h"
#include "state/SearchWords.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <map>
#include <memory>

namespace tidewell {

RemoteListCommand::RemoteListCommand(const CommandLineOptions& options) : m_options(options) {}

int RemoteListCommand::run(std::FILE* out, std::FILE* err)
{
    std::vector<std::unique_ptr<RemoteMachine>> machines;
    std::map<int, RemoteMachine::Refresh> refreshes;
    QEventLoop loop;
    int pending = 0;
    for (const QString& host : m_options.hosts) {
        const auto destination = SshDestination::parse(host);
        if (!destination)
            continue;
        machines.push_back(std::make_unique<RemoteMachine>(*destination));
        machines.back()->setProbeDeadlineMs(m_options.timeoutSeconds * 1000);
        ++pending;
        // All machines are asked at once: the slowest sets the time, not their sum.
        machines.back()->refresh([&refreshes, &pending, &loop,
                                  index = int(machines.size() - 1)](const RemoteMachine::Refresh& refresh) {
            refreshes[index] = refresh;
            if (--pending == 0)
                loop.quit();
        });
    }
    if (pending > 0)
        loop.exec();

    int failed = 0;
    QJsonArray array;
    const SearchWords words(m_options.words);
    for (std::size_t i = 0; i < machines.size(); ++i) {
        const RemoteMachine::Refresh& refresh = refreshes[int(i)];
        const QString host = machines.at(i)->connection().destination().text();
        if (!refresh.error.isEmpty()) {
            std::fprintf(err, "%s: %s\n", qUtf8Printable(host), qUtf8Printable(refresh.error));
            ++failed;
            continue;
        }
        QList<PortData> entries = refresh.listing.servers;
        if (m_options.all)
            entries += refresh.listing.others;
        entries.removeIf([&words](const PortData& entry) { return !words.matches(entry); });
        if (m_options.json) {
            for (const PortData& entry : std::as_const(entries)) {
                QJsonObject object = entry.toJson();
                if (refresh.listing.unanswered.contains(entry.portKey()))
                    object.insert(QStringLiteral("answered"), false);
                object.insert(QStringLiteral("host"), host);
                array.append(object);
            }
            continue;
        }
        const QByteArray table = PortTableFormatter::table(entries, refresh.listing.unanswered);
        std::fprintf(out, "%s%s:\n", i > 0 ? "\n" : "", qUtf8Printable(host));
        std::fwrite(table.constData(), 1, size_t(table.size()), out);
    }
    if (m_options.json) {
        const QByteArray text = QJsonDocument(array).toJson(QJsonDocument::Indented);
        std::fwrite(text.constData(), 1, size_t(text.size()), out);
    }
    std::fflush(out);
    return failed == 0 ? 0 : 1;
}

} // namespace tidewell
