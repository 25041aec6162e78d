#pragma once

#include <QString>

namespace tidewell {

// How a plain-text message becomes the body of a desktop notification. A freedesktop notification
// server that announces "body-markup" reads the body as a small markup, so there the markup
// characters of the text are escaped; everywhere else (macOS, or Qt's own balloon beside a tray
// without a notifier host) the text goes as it is. Call on the interface thread: the first call
// asks the session bus, once per run.
class NotificationBody
{
public:
    static QString fromPlainText(const QString& text);
    // The rule itself, for a service that does or does not read markup.
    static QString forService(const QString& text, bool readsMarkup);
};

} // namespace tidewell
