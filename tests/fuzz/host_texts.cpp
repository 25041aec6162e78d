// What the host tells about its processes and sockets, any of which a process can shape: the lsof
// listing, /proc/PID/stat and the lsof command name made from it, /proc/PID/cmdline, /proc/net/tcp
// and tcp6, what the origin script and the statistics command print, and a remote machine's
// listing. Every input goes to each reader, as any of these files may hold any bytes.
#include "FuzzInput.h"
#include "platform/ListeningSocket.h"
#include "platform/ShellCommandLine.h"
#include "platform/commands/ShellProcessTable.h"
#include "platform/linux/KernelSocketListingSource.h"
#include "platform/linux/LinuxProcessTable.h"
#include "platform/linux/LsofCommandName.h"
#include "platform/linux/ProcFs.h"
#include "remote/RemoteListingReader.h"

using namespace tidewell;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray text = fuzz::bytes(data, size);
    // Every row has its three columns, none empty or holding a separator.
    for (const ListeningSocket& socket : parseLsofListing(text)) {
        for (const QString* column : {&socket.command, &socket.pid, &socket.name})
            fuzz::require(!column->isEmpty() && !column->contains(u' ') && !column->contains(u'\n'));
    }
    if (const auto stat = procfs::parseStat(text)) {
        fuzz::require(text.contains(stat->comm));
        fuzz::require(lsofCommandName(stat->comm).size() <= 9);
    }
    fuzz::require(lsofCommandName(text).size() <= 9);
    fuzz::require(!LinuxProcessTable::commandLineText(text).contains(QChar(0)));
    looksLikeShell(LinuxProcessTable::commandLineText(text));
    LinuxProcessTable::isShellProgram(text);
    // Every listening socket gets a NAME ending in a port.
    for (const bool ipv6 : {false, true}) {
        for (const QString& name : KernelSocketListingSource::parseTcpTable(text, ipv6)) {
            const qsizetype colon = name.lastIndexOf(u':');
            bool ok = false;
            const uint port = name.mid(colon + 1).toUInt(&ok);
            fuzz::require(colon > 0 && ok && port <= 65535);
        }
    }
    if (const auto origin = ShellProcessTable::parseOriginOutput(text))
        fuzz::require(!origin->cwd.contains(u'\n') && !origin->cmd.contains(u'\n'));
    if (const auto reading = ShellProcessTable::parseStatisticsOutput(text))
        fuzz::require(!reading->cpu.isEmpty() && !reading->mem.isEmpty() && !reading->rssKilobytes.isEmpty());
    // A remote listing, as the script's output and as it would be behind the script's first line:
    // every row has a port and a pid that are numbers, and texts of one line within the cap.
    for (const QByteArray& output : {text, "#tidewell-listing 1\n" + text}) {
        const auto listing = RemoteListingReader::read(output);
        if (!listing)
            continue;
        for (const PortData& row : listing->servers + listing->others) {
            const int port = row.port().toInt();
            fuzz::require(port >= 1 && port <= 65535 && row.pid().toULongLong() > 0);
            const auto info = row.processInfo();
            for (const QString& field :
                 {row.processName(), info ? info->cwd : QString(), info ? info->cmd : QString()})
                fuzz::require(field.size() <= RemoteListingReader::kMaxTextLength && !field.contains(u'\n'));
        }
    }
    return 0;
}
