#include "process/ProcessClassifier.h"

#include "ports/DevServerTest.h"

namespace tidewell {

bool isEditorProcess(const QString& processName)
{
    return editorProcessNames().contains(listingToolCut(processName.toLower()));
}

QString processIconName(const QString& fullName, const QString& runtime)
{
    if (runtime == QLatin1String("bun"))
        return QStringLiteral("bunjs");
    if (runtime == QLatin1String("node"))
        return QStringLiteral("nodejs");
    if (runtime == QLatin1String("python"))
        return QStringLiteral("python");
    // The editors are known by the listing tool's cut of their names.
    const QString processName = listingToolCut(fullName);
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
