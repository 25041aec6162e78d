#pragma once

#include <QString>
#include <optional>

namespace tidewell {

// The kind of web application a page probe recognised.
enum class AppType
{
    unknown,
    react,
    nextjs,
    storybook
};

QString appTypeText(AppType type);
// Accepts exactly the four text forms, letter case included.
std::optional<AppType> appTypeFromText(const QString& text);

} // namespace tidewell
