#include "ports/DevServerTest.h"

#include <QFileInfo>

namespace tidewell {

const QStringList& devServerProcessNames()
{
    static const QStringList names{QStringLiteral("bun"),        QStringLiteral("node"),
                                   QStringLiteral("deno"),       QStringLiteral("ssh"),
                                   QStringLiteral("code\\x20h"), QStringLiteral("cursor")};
    return names;
}

const QStringList& editorProcessNames()
{
    static const QStringList names{QStringLiteral("code\\x20h"), QStringLiteral("cursor")};
    return names;
}

const QStringList& nonHttpDaemonNames()
{
    static const QStringList names{QStringLiteral("postgres"),      QStringLiteral("postmaster"),
                                   QStringLiteral("mysqld"),        QStringLiteral("mariadbd"),
                                   QStringLiteral("redis-server"),  QStringLiteral("redis-sentinel"),
                                   QStringLiteral("valkey-server"), QStringLiteral("keydb-server"),
                                   QStringLiteral("mongod"),        QStringLiteral("mongos"),
                                   QStringLiteral("memcached"),     QStringLiteral("sshd"),
                                   QStringLiteral("nats-server"),   QStringLiteral("rabbitmq-server"),
                                   QStringLiteral("epmd"),          QStringLiteral("dnsmasq"),
                                   QStringLiteral("xorg"),          QStringLiteral("xvfb"),
                                   QStringLiteral("xwayland")};
    return names;
}

namespace {

constexpr qsizetype kListingToolWidth = 9;

// The length of the escape or character that starts at `at`, as the listing tool writes them:
// "\xNN", a backslash and a letter, "^X", or one character.
qsizetype unitLength(const QString& name, qsizetype at)
{
    const QChar c = name.at(at);
    if (at + 1 >= name.size())
        return 1;
    const QChar next = name.at(at + 1);
    if (c == QLatin1Char('\\'))
        return next == QLatin1Char('x') && at + 3 < name.size() ? 4 : 2;
    if (c == QLatin1Char('^') && next >= QLatin1Char('@') && next <= QLatin1Char('_'))
        return 2;
    return 1;
}

// The editors listen on high ports and on 8828-8830 for their own purposes; those are not servers
// the user started.
bool isEditorsOwnPort(qlonglong port)
{
    return port >= 10000 || port == 8828 || port == 8829 || port == 8830;
}

// "python3.11" is python, "nodejs" node; "nodemon" is not node.
QString runtimeOfName(const QString& lowerName)
{
    static const QLatin1StringView kRuntimes[] = {QLatin1StringView("node"), QLatin1StringView("bun"),
                                                  QLatin1StringView("deno"), QLatin1StringView("python")};
    for (const QLatin1StringView runtime : kRuntimes) {
        if (!lowerName.startsWith(runtime))
            continue;
        QStringView suffix = QStringView(lowerName).sliced(runtime.size());
        if (runtime == QLatin1StringView("node") && suffix.startsWith(QLatin1String("js")))
            suffix = suffix.sliced(2);
        const bool versionOnly = std::all_of(suffix.cbegin(), suffix.cend(), [](QChar c) {
            return c.isDigit() || c == QLatin1Char('.') || c == QLatin1Char('-');
        });
        if (versionOnly)
            return QString(runtime);
    }
    return {};
}

} // namespace

QString listingToolCut(const QString& processName)
{
    qsizetype end = 0;
    while (end < processName.size()) {
        const qsizetype next = end + unitLength(processName, end);
        if (next > kListingToolWidth)
            break;
        end = next;
    }
    return processName.left(end);
}

QString runtimeOfExecutable(const QString& path)
{
    QString file = QFileInfo(path).fileName().toLower();
    // The kernel marks an executable replaced on disk (an upgrade) after the process started.
    static const QString deleted = QStringLiteral(" (deleted)");
    if (file.endsWith(deleted))
        file.chop(deleted.size());
    return runtimeOfName(file);
}

QString runtimeOfProcessName(const QString& processName)
{
    const QString lower = processName.toLower();
    // Python names itself "Python" on macOS and "python3.11" elsewhere; any name holding it counts.
    if (lower.contains(QLatin1String("python")))
        return QStringLiteral("python");
    return runtimeOfName(lower);
}

bool isEditorsOwnListener(const QString& processName, const QString& port)
{
    bool isNumber = false;
    const qlonglong portNumber = port.toLongLong(&isNumber, 10);
    // toLongLong accepts surrounding white space; the port text must be digits only.
    isNumber = isNumber && !port.isEmpty() && port.trimmed() == port;
    return isNumber && editorProcessNames().contains(listingToolCut(processName.toLower())) &&
           isEditorsOwnPort(portNumber);
}

bool isDevServerProcess(const QString& processName, const QString& port)
{
    if (isEditorsOwnListener(processName, port))
        return false;
    const QString lower = processName.toLower();
    if (lower.contains(QLatin1String("python")))
        return true;
    return devServerProcessNames().contains(listingToolCut(lower));
}

bool isNonHttpDaemon(const QString& processName, const QString& executable)
{
    const QString name = listingToolCut(processName.toLower());
    const QString file = QFileInfo(executable).fileName().toLower();
    const QStringList& daemons = nonHttpDaemonNames();
    return std::any_of(daemons.cbegin(), daemons.cend(), [&](const QString& daemon) {
        return listingToolCut(daemon) == name || daemon == file;
    });
}

} // namespace tidewell
