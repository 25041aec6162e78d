#include "deployments/RelativeTimeFormatter.h"

#include <unicode/calendar.h>
#include <unicode/locid.h>
#include <unicode/reldatefmt.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <array>
#include <memory>
#include <string>
#include <utility>

namespace tidewell {

namespace {

// Largest first: the first unit in which the two times differ names the distance.
constexpr std::array<std::pair<UCalendarDateFields, URelativeDateTimeUnit>, 7> kUnits{{
    {UCAL_YEAR, UDAT_REL_UNIT_YEAR},
    {UCAL_MONTH, UDAT_REL_UNIT_MONTH},
    {UCAL_WEEK_OF_YEAR, UDAT_REL_UNIT_WEEK},
    {UCAL_DATE, UDAT_REL_UNIT_DAY},
    {UCAL_HOUR_OF_DAY, UDAT_REL_UNIT_HOUR},
    {UCAL_MINUTE, UDAT_REL_UNIT_MINUTE},
    {UCAL_SECOND, UDAT_REL_UNIT_SECOND},
}};

icu::Locale icuLocale(const QLocale& locale)
{
    // The C locale has no words of its own; English is what it reads as everywhere else.
    if (locale.language() == QLocale::C)
        return icu::Locale::getEnglish();
    UErrorCode status = U_ZERO_ERROR;
    const icu::Locale result = icu::Locale::forLanguageTag(locale.bcp47Name().toStdString(), status);
    return U_SUCCESS(status) && !result.isBogus() ? result : icu::Locale::getEnglish();
}

} // namespace

QString RelativeTimeFormatter::format(const QDateTime& when, const QDateTime& now, const QLocale& locale)
{
    const icu::Locale icu = icuLocale(locale);
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Calendar> calendar(
        icu::Calendar::createInstance(icu::TimeZone::createDefault(), icu, status));
    icu::RelativeDateTimeFormatter formatter(icu, nullptr, UDAT_STYLE_LONG, UDISPCTX_CAPITALIZATION_NONE,
                                             status);
    if (U_FAILURE(status))
        return {};
    calendar->setTime(UDate(now.toMSecsSinceEpoch()), status);
    const UDate target = UDate(when.toMSecsSinceEpoch());
    int offset = 0;
    URelativeDateTimeUnit unit = UDAT_REL_UNIT_SECOND;
    // Each difference moves the calendar on by that many units, so the next one counts what is left.
    for (const auto& [field, relativeUnit] : kUnits) {
        offset = calendar->fieldDifference(target, field, status);
        if (U_FAILURE(status))
            return {};
        if (offset != 0) {
            unit = relativeUnit;
            break;
        }
    }
    icu::UnicodeString text;
    formatter.format(double(offset), unit, text, status);
    if (U_FAILURE(status))
        return {};
    std::string utf8;
    text.toUTF8String(utf8);
    return QString::fromStdString(utf8);
}

QString RelativeTimeFormatter::formatMilliseconds(double millisecondsSinceEpoch, const QDateTime& now,
                                                  const QLocale& locale)
{
    return format(QDateTime::fromMSecsSinceEpoch(qint64(millisecondsSinceEpoch)), now, locale);
}

} // namespace tidewell
