#include "ports/DevServerTest.h"

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

namespace {

// The editors listen on high ports and on 8828-8830 for their own purposes; those are not servers
// the user started.
bool isEditorsOwnPort(qlonglong port)
{
    return port >= 10000 || port == 8828 || port == 8829 || port == 8830;
}

} // namespace

bool isDevServerProcess(const QString& processName, const QString& port)
{
    const QString lower = processName.toLower();
    bool isNumber = false;
    const qlonglong portNumber = port.toLongLong(&isNumber, 10);
    // toLongLong accepts surrounding white space; the port text must be digits only.
    isNumber = isNumber && !port.isEmpty() && port.trimmed() == port;
    if (isNumber && editorProcessNames().contains(lower) && isEditorsOwnPort(portNumber))
        return false;
    if (lower.contains(QLatin1String("python")))
        return true;
    return devServerProcessNames().contains(lower);
}

} // namespace tidewell
