#pragma once

#include <QCoreApplication>
#include <QLocale>

#include <optional>

namespace tidewell {

// The user's language: Tidewell's translation and Qt's own for the first language in the user's list
// (LANGUAGE, then LANG and the other locale variables) that Tidewell speaks, installed on the running
// application. Main thread only, once the application object exists.
class UserLanguage
{
public:
    // Installs the translations and makes their language the default locale, so that numbers and
    // relative times read as the words do. Returns that language, or nothing when the user's first
    // language Tidewell speaks is English, the language of the source.
    static std::optional<QLocale> install(QCoreApplication* application);
};

} // namespace tidewell
