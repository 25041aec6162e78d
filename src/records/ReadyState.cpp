#include "records/ReadyState.h"

#include <array>
#include <utility>

namespace tidewell {

namespace {

constexpr std::array<std::pair<ReadyState, const char*>, 6> kTexts{{
    {ReadyState::building, "BUILDING"},
    {ReadyState::error, "ERROR"},
    {ReadyState::initializing, "INITIALIZING"},
    {ReadyState::queued, "QUEUED"},
    {ReadyState::ready, "READY"},
    {ReadyState::canceled, "CANCELED"},
}};

} // namespace

QString readyStateText(ReadyState state)
{
    for (const auto& [value, text] : kTexts) {
        if (value == state)
            return QLatin1String(text);
    }
    return {};
}

std::optional<ReadyState> readyStateFromText(const QString& text)
{
    for (const auto& [value, known] : kTexts) {
        if (text == QLatin1String(known))
            return value;
    }
    return std::nullopt;
}

} // namespace tidewell
