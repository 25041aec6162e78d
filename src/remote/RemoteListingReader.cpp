#include "remote/RemoteListingReader.h"

#include "platform/ListeningSocket.h"
#include "platform/ShellCommandLine.h"
#include "ports/DevServerTest.h"
#include "ports/PortScanner.h"
#include "records/DisplayText.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

namespace tidewell {

namespace {

constexpr int kMaxParentSteps = 12;

std::optional<quint64> wholeNumber(QByteArrayView text, int base = 10)
{
    if (text.isEmpty() || text.size() > 20)
        return std::nullopt;
    for (const char c : text) {
        const bool digit =
            (c >= '0' && c <= '9') || (base == 16 && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
        if (!digit)
            return std::nullopt;
    }
    bool ok = false;
    const quint64 value = QByteArray(text.data(), text.size()).toULongLong(&ok, base);
    return ok ? std::optional(value) : std::nullopt;
}

std::optional<int> portNumber(QByteArrayView text, int base = 10)
{
    const auto value = wholeNumber(text, base);
    return value && *value >= 1 && *value <= 65535 ? std::optional(int(*value)) : std::nullopt;
}

bool isPidText(const QString& text)
{
    const auto value = wholeNumber(text.toLatin1());
    return text.size() <= 10 && value && *value > 0 && text.toLatin1() == QByteArray::number(*value);
}

// One listening socket of the far side and a process that holds it.
struct Holder
{
    int port = 0;
    quint64 inode = 0;
    QString pid;
    QString name; // as ss printed it; empty where the process table gives it
};

struct ProcessFacts
{
    QByteArray comm;
    QString parentPid;
    QString startTicks;
    QByteArray commandLine; // arguments separated by NUL
};

QByteArray section(const QByteArray& output, const QByteArray& marker, qsizetype from, qsizetype* end)
{
    const qsizetype start = output.indexOf("\n" + marker + "\n", from);
    if (start < 0)
        return {};
    const qsizetype body = start + marker.size() + 2;
    qsizetype stop = output.indexOf("\n#", body - 1);
    stop = stop < 0 ? output.size() : stop;
    if (end)
        *end = stop;
    return output.mid(body, stop - body);
}

// `LISTEN 0 128 0.0.0.0:8765 0.0.0.0:* users:(("python3",pid=10947,fd=3)) ino:3042020 ...`
QList<Holder> readSsLines(const QByteArray& text)
{
    static const QRegularExpression holder(QStringLiteral("\\(\"([^\"]{0,64})\",pid=(\\d{1,10}),"));
    QList<Holder> holders;
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> columns = line.simplified().split(' ');
        if (columns.size() < 6 || columns.at(0) != "LISTEN")
            continue;
        const QByteArray& local = columns.at(3);
        const auto port = portNumber(QByteArrayView(local).sliced(local.lastIndexOf(':') + 1));
        quint64 inode = 0;
        for (const QByteArray& column : columns) {
            if (column.startsWith("ino:"))
                inode = wholeNumber(QByteArrayView(column).sliced(4)).value_or(0);
        }
        if (!port)
            continue;
        const QString users = QString::fromUtf8(line.mid(line.indexOf("users:(")));
        for (auto it = holder.globalMatch(users); it.hasNext();) {
            const QRegularExpressionMatch match = it.next();
            if (isPidText(match.captured(2)))
                holders.append({*port, inode, match.captured(2), match.captured(1)});
        }
    }
    return holders;
}

// `/proc/net/tcp` lines as "HEXADDR:HEXPORT INODE", and the descriptors as "PID INODE".
QList<Holder> readTcpAndFds(const QByteArray& tcp, const QByteArray& fds)
{
    QHash<quint64, int> portOfInode;
    for (const QByteArray& line : tcp.split('\n')) {
        const QList<QByteArray> columns = line.split(' ');
        if (columns.size() != 2)
            continue;
        const QByteArray& local = columns.at(0);
        const auto port = portNumber(QByteArrayView(local).sliced(local.lastIndexOf(':') + 1), 16);
        const auto inode = wholeNumber(columns.at(1));
        if (port && inode && *inode != 0 && local.indexOf(':') > 0)
            portOfInode.insert(*inode, *port);
    }
    QList<Holder> holders;
    for (const QByteArray& line : fds.split('\n')) {
        const QList<QByteArray> columns = line.split(' ');
        if (columns.size() != 2)
            continue;
        const QString pid = QString::fromLatin1(columns.at(0));
        const auto inode = wholeNumber(columns.at(1));
        if (isPidText(pid) && inode && portOfInode.contains(*inode))
            holders.append({portOfInode.value(*inode), *inode, pid, {}});
    }
    return holders;
}

// head's output: "==> /proc/PID/stat <==" or ".../cmdline <==" before each file's first 4 KiB.
QHash<QString, ProcessFacts> readProcFiles(const QByteArray& text)
{
    static const QRegularExpression header(
        QStringLiteral("(?:^|\\n)==> /proc/(\\d{1,10})/(stat|cmdline) <==\\n"));
    const QString latin = QString::fromLatin1(text);
    QHash<QString, ProcessFacts> facts;
    QRegularExpressionMatch previous;
    const auto take = [&](const QRegularExpressionMatch& match, qsizetype end) {
        const QString pid = match.captured(1);
        if (!isPidText(pid))
            return;
        QByteArray content = text.mid(match.capturedEnd(), end - match.capturedEnd());
        ProcessFacts& process = facts[pid];
        if (match.captured(2) == QLatin1String("cmdline")) {
            process.commandLine = content;
            return;
        }
        if (content.endsWith('\n'))
            content.chop(1);
        const qsizetype open = content.indexOf('(');
        const qsizetype close = content.lastIndexOf(')');
        if (open < 0 || close < open)
            return;
        const QList<QByteArray> fields = content.mid(close + 1).simplified().split(' ');
        if (fields.size() < 20)
            return;
        const QString parent = QString::fromLatin1(fields.at(1));
        process.comm = content.mid(open + 1, close - open - 1).left(64);
        process.parentPid = isPidText(parent) ? parent : QString();
        if (wholeNumber(fields.at(19)))
            process.startTicks = QString::fromLatin1(fields.at(19));
    };
    for (auto it = header.globalMatch(latin); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        if (previous.hasMatch())
            take(previous, match.capturedStart());
        previous = match;
    }
    if (previous.hasMatch())
        take(previous, text.size());
    return facts;
}

// ls -l lines: "lrwxrwxrwx 1 u u 0 Dec  7 23:53 /proc/PID/cwd -> /home/me/shop".
QHash<QString, QString> readLinks(const QByteArray& text)
{
    static const QRegularExpression link(QStringLiteral(" /proc/(\\d{1,10})/(exe|cwd) -> (.*)$"));
    QHash<QString, QString> links;
    for (const QByteArray& line : text.split('\n')) {
        const QRegularExpressionMatch match = link.match(QString::fromUtf8(line));
        if (match.hasMatch() && isPidText(match.captured(1)))
            links.insert(match.captured(1) + QLatin1Char('/') + match.captured(2),
                         RemoteListingReader::cleanText(match.captured(3)));
    }
    return links;
}

// `ps -A -o pid= -o ppid= -o ucomm=` lines: every process's parent and short name, for the walk to
// a shell.
void readProcessTree(const QByteArray& text, QHash<QString, ProcessFacts>& facts)
{
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> columns = line.simplified().split(' ');
        if (columns.size() < 3)
            continue;
        const QString pid = QString::fromLatin1(columns.at(0));
        const QString parent = QString::fromLatin1(columns.at(1));
        if (!isPidText(pid))
            continue;
        ProcessFacts& process = facts[pid];
        process.comm = line.simplified().mid(columns.at(0).size() + columns.at(1).size() + 2).left(64);
        process.parentPid = isPidText(parent) ? parent : QString();
        process.commandLine = process.comm;
    }
}

// The start time as ps's `lstart` gives it, "Tue Dec  8 13:37:00 2026", as the number 20261208133700,
// which the stop program computes the same way.
QString startStamp(const QList<QByteArray>& lstart)
{
    static const QList<QByteArray> months{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const qsizetype month = months.indexOf(lstart.value(1));
    const auto day = wholeNumber(lstart.value(2));
    const QList<QByteArray> clock = lstart.value(3).split(':');
    const auto year = wholeNumber(lstart.value(4));
    if (month < 0 || !day || *day > 31 || clock.size() != 3 || !year || lstart.value(4).size() != 4)
        return {};
    QByteArray stamp = lstart.value(4) + QByteArray::number(month + 1).rightJustified(2, '0') +
                       QByteArray::number(*day).rightJustified(2, '0');
    for (const QByteArray& part : clock) {
        if (part.size() != 2 || !wholeNumber(part))
            return {};
        stamp += part;
    }
    return QString::fromLatin1(stamp);
}

// `ps -o pid= -o lstart= -o command= -p PIDS` lines: each listener's start time and command, whose
// arguments ps joins with spaces.
void readProcessCommands(const QByteArray& text, QHash<QString, ProcessFacts>& facts)
{
    for (const QByteArray& line : text.split('\n')) {
        const QByteArray simple = line.simplified();
        const QList<QByteArray> columns = simple.split(' ');
        const QString pid = QString::fromLatin1(columns.at(0));
        if (columns.size() < 7 || !isPidText(pid))
            continue;
        ProcessFacts& process = facts[pid];
        process.startTicks = startStamp(columns.mid(1, 5));
        QByteArray command = columns.mid(6).join('\0');
        process.commandLine = command.left(RemoteListingReader::kMaxTextLength);
    }
}

// `lsof -a -d cwd,txt -Fpfn` records: "pPID", then "fcwd" or "ftxt" each followed by "nPATH". The
// first txt of a process is its executable.
QHash<QString, QString> readOpenFiles(const QByteArray& text)
{
    QHash<QString, QString> links;
    QString pid;
    QByteArray descriptor;
    for (const QByteArray& line : text.split('\n')) {
        if (line.startsWith('p')) {
            pid = QString::fromLatin1(line.mid(1));
            pid = isPidText(pid) ? pid : QString();
        } else if (line.startsWith('f')) {
            descriptor = line.mid(1);
        } else if (line.startsWith('n') && !pid.isEmpty() && (descriptor == "cwd" || descriptor == "txt")) {
            const QString key = pid + (descriptor == "cwd" ? QStringLiteral("/cwd") : QStringLiteral("/exe"));
            if (!links.contains(key))
                links.insert(key, RemoteListingReader::cleanText(QString::fromUtf8(line.mid(1))));
        }
    }
    return links;
}

QString commandText(const QByteArray& commandLine)
{
    QByteArray raw = commandLine;
    while (raw.endsWith('\0'))
        raw.chop(1);
    raw.replace('\0', ' ');
    return RemoteListingReader::cleanText(QString::fromUtf8(raw));
}

bool isShell(const ProcessFacts& process)
{
    QByteArray program = process.commandLine.left(process.commandLine.indexOf('\0'));
    program = program.mid(program.lastIndexOf('/') + 1);
    if (program.startsWith('-'))
        program.remove(0, 1);
    static const QList<QByteArray> shells{"sh", "bash", "zsh", "csh", "tcsh", "fish", "ksh", "dash"};
    return shells.contains(program) || looksLikeShell(commandText(process.commandLine));
}

bool startedFromShell(const QString& pid, const QHash<QString, ProcessFacts>& facts)
{
    QString parent = facts.value(pid).parentPid;
    for (int step = 0; step < kMaxParentSteps && !parent.isEmpty() && parent != QLatin1String("1"); ++step) {
        const auto found = facts.constFind(parent);
        if (found == facts.cend())
            return false;
        if (isShell(*found))
            return true;
        parent = found->parentPid;
    }
    return false;
}

void addEntry(RemoteListing& listing, PortData entry, bool isServer)
{
    if (listing.servers.size() + listing.others.size() >= RemoteListingReader::kMaxEntries)
        return;
    (isServer ? listing.servers : listing.others).append(std::move(entry));
}

RemoteListing readScriptOutput(const QByteArray& output)
{
    QList<Holder> holders;
    qsizetype socketsEnd = 0;
    if (output.contains("\n#ss\n")) {
        holders = readSsLines(section(output, "#ss", 0, &socketsEnd));
    } else if (output.contains("\n#tcp\n")) {
        const QByteArray tcp = section(output, "#tcp", 0, &socketsEnd);
        holders = readTcpAndFds(tcp, section(output, "#fd", socketsEnd - 1, &socketsEnd));
    } else if (output.contains("\n#lsof\n")) {
        // A machine without /proc: lsof's table, then ps and lsof for the listeners.
        for (const ListeningSocket& socket : parseLsofListing(section(output, "#lsof", 0, &socketsEnd))) {
            const auto port = portNumber(portFromName(socket.name).toLatin1());
            if (isPidText(socket.pid) && port)
                holders.append({*port, 0, socket.pid, socket.command});
        }
    }
    QHash<QString, ProcessFacts> facts;
    QHash<QString, QString> links;
    if (output.contains("\n#tree\n")) {
        qsizetype end = std::max<qsizetype>(socketsEnd, 1);
        readProcessTree(section(output, "#tree", end - 1, &end), facts);
        readProcessCommands(section(output, "#ps", end - 1, &end), facts);
        links = readOpenFiles(section(output, "#files", end - 1, &end));
    }
    // The process files come from head, whose contents may hold any bytes: the links section is
    // the last one the script prints.
    const qsizetype procStart = output.indexOf("\n#proc\n", socketsEnd > 0 ? socketsEnd - 1 : 0);
    const qsizetype linksStart = output.lastIndexOf("\n#links\n");
    if (procStart >= 0 && linksStart > procStart) {
        facts = readProcFiles(output.mid(procStart + 7, linksStart - procStart - 7));
        const qsizetype endStart = output.lastIndexOf("\n#end");
        links = readLinks(
            output.mid(linksStart + 8, (endStart > linksStart ? endStart : output.size()) - linksStart - 8));
    }

    RemoteListing listing;
    QSet<QString> seen;
    for (const Holder& holder : std::as_const(holders)) {
        // A process listening on IPv4 and IPv6 is listed once per port, as the window shows it.
        const QString port = QString::number(holder.port);
        if (seen.contains(port + QLatin1Char(':') + holder.pid))
            continue;
        seen.insert(port + QLatin1Char(':') + holder.pid);
        const ProcessFacts process = facts.value(holder.pid);
        const QString name = RemoteListingReader::cleanText(
                                 process.comm.isEmpty() ? holder.name : QString::fromUtf8(process.comm))
                                 .left(64);
        PortData entry(name, port, holder.pid);
        entry.setListedIdentity(process.startTicks, holder.inode);
        const QString executable = links.value(holder.pid + QStringLiteral("/exe"));
        entry.setRuntime(executable.isEmpty() ? runtimeOfProcessName(name) : runtimeOfExecutable(executable));
        const QString cwd = links.value(holder.pid + QStringLiteral("/cwd"));
        const QString command = commandText(process.commandLine);
        if (!cwd.isEmpty() || !command.isEmpty()) {
            QStringList arguments;
            for (const QByteArray& argument : process.commandLine.split('\0'))
                arguments.append(RemoteListingReader::cleanText(QString::fromUtf8(argument)));
            while (!arguments.isEmpty() && arguments.constLast().isEmpty())
                arguments.removeLast();
            entry.setProcessInfo(ProcessInfo{cwd, command, arguments.mid(0, 256)});
        }
        const DevServerVerdict verdict = devServerVerdict(entry, executable);
        addEntry(listing, entry,
                 verdict == DevServerVerdict::server || (verdict == DevServerVerdict::ifStartedFromShell &&
                                                         startedFromShell(holder.pid, facts)));
    }
    return listing;
}

std::optional<RemoteListing> readTidewellJson(const QByteArray& output, QString* error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(output, &parseError);
    if (!document.isArray()) {
        if (error)
            *error = QCoreApplication::translate("RemoteListingReader", "unreadable listing: %1")
                         .arg(parseError.errorString());
        return std::nullopt;
    }
    RemoteListing listing;
    listing.fromTidewell = true;
    const QJsonArray entries = document.array();
    for (const QJsonValue& value : entries) {
        const auto decoded = value.isObject() ? PortData::fromJson(value.toObject()) : std::nullopt;
        if (!decoded || !isPidText(decoded->pid()) || !portNumber(decoded->port().toLatin1()))
            continue;
        PortData entry(RemoteListingReader::cleanText(decoded->processName()).left(64), decoded->port(),
                       decoded->pid());
        if (auto page = decoded->htmlData()) {
            page->title = RemoteListingReader::cleanText(page->title);
            page->favicon.reset();
            entry.setHtmlData(page);
        }
        if (auto info = decoded->processInfo()) {
            info->cwd = RemoteListingReader::cleanText(info->cwd);
            info->cmd = RemoteListingReader::cleanText(info->cmd);
            entry.setProcessInfo(info);
        }
        entry.setRuntime(runtimeOfProcessName(entry.processName()));
        if (value.toObject().value(QStringLiteral("answered")) == QJsonValue(false))
            listing.unanswered.insert(entry.portKey());
        const DevServerVerdict verdict = devServerVerdict(entry, QString());
        // That machine's tidewell looked up the folder of the servers it found: a program no shell
        // started has none.
        addEntry(listing, entry,
                 verdict == DevServerVerdict::server ||
                     (verdict == DevServerVerdict::ifStartedFromShell && entry.processInfo().has_value()));
    }
    return listing;
}

} // namespace

QString RemoteListingReader::cleanText(const QString& text)
{
    return DisplayText::oneLine(text.left(kMaxTextLength));
}

std::optional<RemoteListing> RemoteListingReader::read(const QByteArray& output, QString* error)
{
    if (output.size() > kMaxOutputBytes) {
        if (error)
            *error = QCoreApplication::translate("RemoteListingReader", "listing over 1 MiB");
        return std::nullopt;
    }
    if (output.startsWith("#tidewell-listing 1\n"))
        return readScriptOutput(output);
    if (output.trimmed().startsWith('['))
        return readTidewellJson(output, error);
    if (error) {
        const QString first = QString::fromUtf8(output.left(output.indexOf('\n')).left(200));
        *error = first.trimmed().isEmpty()
                     ? QCoreApplication::translate("RemoteListingReader", "empty listing")
                     : QCoreApplication::translate("RemoteListingReader", "unreadable listing: %1")
                           .arg(cleanText(first));
    }
    return std::nullopt;
}

} // namespace tidewell
