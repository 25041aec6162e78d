#pragma once

#include <QString>
#include <QUrl>

#include <optional>

namespace tidewell {

// One desktop notification: plain-text title and message (server titles, project names and commit
// messages are shown as typed), and where a click on it leads.
struct Notification
{
    QString title;
    QString message;
    // The page a click opens; absent, a click opens the window.
    std::optional<QUrl> link;

    bool operator==(const Notification&) const = default;
};

} // namespace tidewell
