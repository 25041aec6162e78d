#pragma once

#include <QString>
#include <optional>

namespace tidewell {

// The scheme a page was fetched with, in probe order.
enum class HttpScheme
{
    http,
    https
};

QString httpSchemeText(HttpScheme scheme);
std::optional<HttpScheme> httpSchemeFromText(const QString& text);

} // namespace tidewell
