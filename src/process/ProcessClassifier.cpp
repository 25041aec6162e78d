#include "process/ProcessClassifier.h"

#include "ports/DevServerTest.h"

namespace tidewell {

bool isEditorProcess(const QString& processName)
{
    return editorProcessNames().contains(processName.toLower());
}

QString processIconName(const QString& processName)
{
    if (processName == QLatin1String("bun"))
        return QStringLiteral("bunjs");
    if (processName == QLatin1String("node"))
        return QStringLiteral("nodejs");
    if (processName == QLatin1String("Code\\x20H"))
        return QStringLiteral("vscode");
    if (processName == QLatin1String("Cursor"))
        return QStringLiteral("cursor");
    if (processName.startsWith(QLatin1String("python")))
        return QStringLiteral("python");
    return {};
}

QString appTypeIconName(AppType appType)
{
    // The badge assets carry the app types' own names.
    return appType == AppType::unknown ? QString() : appTypeText(appType);
}

} // namespace tidewell
