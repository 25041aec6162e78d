#include "records/AppType.h"

namespace tidewell {

QString appTypeText(AppType type)
{
    switch (type) {
    case AppType::unknown:
        return QStringLiteral("unknown");
    case AppType::react:
        return QStringLiteral("react");
    case AppType::nextjs:
        return QStringLiteral("nextjs");
    case AppType::storybook:
        return QStringLiteral("storybook");
    }
    return QStringLiteral("unknown");
}

std::optional<AppType> appTypeFromText(const QString& text)
{
    for (AppType type : {AppType::unknown, AppType::react, AppType::nextjs, AppType::storybook}) {
        if (appTypeText(type) == text)
            return type;
    }
    return std::nullopt;
}

} // namespace tidewell
