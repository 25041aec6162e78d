#include "state/UserLanguage.h"

#include <QLibraryInfo>
#include <QTranslator>

namespace tidewell {

std::optional<QLocale> UserLanguage::install(QCoreApplication* application)
{
    // The user's list in order: a German user who also reads English, for instance, comes before an
    // English language further down. The texts of the source are English and need no translation.
    for (const QString& name : QLocale::system().uiLanguages()) {
        const QLocale language(name);
        if (language.language() == QLocale::English)
            return std::nullopt;
        auto* own = new QTranslator(application);
        // The file of the whole name first, then of the language alone ("de_DE", then "de").
        if (!own->load(QLocale(name), QStringLiteral("tidewell"), QStringLiteral("_"),
                       QStringLiteral(":/i18n"))) {
            delete own;
            continue;
        }
        QCoreApplication::installTranslator(own);
        // Qt's own words: the command line's "Usage:" and "Options:", the standard dialogs' buttons.
        auto* qt = new QTranslator(application);
        if (qt->load(language, QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QCoreApplication::installTranslator(qt);
        else
            delete qt;
        QLocale::setDefault(language);
        return language;
    }
    return std::nullopt;
}

} // namespace tidewell
