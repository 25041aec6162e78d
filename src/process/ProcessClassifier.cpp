#include "ProcessClassifier.h"

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
    switch (appType) {
    case AppType::react:
        return QStringLiteral("react");
    case AppType::nextjs:
        return QStringLiteral("nextjs");
    case AppType::storybook:
        return QStringLiteral("storybook");
    case AppType::unknown:
        break;
    }
    return {};
}

} // namespace tidewell
