#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace tidewell {

// Says how long ago (or how far ahead) a time is, in the locale's own words: the largest calendar
// unit that differs, with named forms where the locale has them ("yesterday", "last week") and full
// unit names otherwise ("2 hours ago"). ICU's relative formatter does the wording.
class RelativeTimeFormatter
{
public:
    static QString format(const QDateTime& when, const QDateTime& now = QDateTime::currentDateTime(),
                          const QLocale& locale = QLocale());
    // A deployment time as the service sends it: milliseconds since 1970-01-01 00:00 UTC.
    static QString formatMilliseconds(double millisecondsSinceEpoch,
                                      const QDateTime& now = QDateTime::currentDateTime(),
                                      const QLocale& locale = QLocale());
};

} // namespace tidewell
