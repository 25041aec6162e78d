#include "records/HttpScheme.h"

namespace tidewell {

QString httpSchemeText(HttpScheme scheme)
{
    return scheme == HttpScheme::https ? QStringLiteral("https") : QStringLiteral("http");
}

std::optional<HttpScheme> httpSchemeFromText(const QString& text)
{
    if (text == QLatin1String("http"))
        return HttpScheme::http;
    if (text == QLatin1String("https"))
        return HttpScheme::https;
    return std::nullopt;
}

} // namespace tidewell
