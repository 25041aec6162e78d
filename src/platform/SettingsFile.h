#pragma once

#include <QSettings>
#include <QString>

#include <memory>

namespace tidewell {

// The store of the user's settings, opened so that whatever stands at its path cannot stop the
// program: QSettings reads its file with a blocking open, which a FIFO there would hold for ever, and
// reads it whole. Its file is first looked at through the one reader of user files; one that may not
// be read (not a regular file, too large) is left alone, and the settings are kept for the run only.
// Call from the thread that will use the settings.
class SettingsFile
{
public:
    static constexpr qsizetype kMaxBytes = 16 * 1024 * 1024;

    // The settings of `application` by `organization` in the platform's place (the user defaults on
    // macOS, `$XDG_CONFIG_HOME/<organization>/<application>.conf` elsewhere). A file left alone is
    // said in one warning.
    static std::unique_ptr<QSettings> open(const QString& organization, const QString& application);
    // The same for the INI file at `path`.
    static std::unique_ptr<QSettings> openIni(const QString& path);
};

} // namespace tidewell
