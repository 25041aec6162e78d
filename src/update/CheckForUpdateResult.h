#pragma once

#include "records/Result.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <optional>

namespace tidewell {

// The update service's answer: a line for the user and, when a newer build exists, its version and
// where to download it. Members keep the service's spelling.
struct CheckForUpdateResult
{
    QString message;
    std::optional<QString> version;
    std::optional<QString> download_link;

    bool operator==(const CheckForUpdateResult&) const = default;

    // A download is offered only when both the version and the link came.
    bool offersDownload() const { return version.has_value() && download_link.has_value(); }

    QJsonObject toJson() const;
    // Fails on a body that is not a JSON object, a missing or non-text "message", or a "version" or
    // "download_link" that is present but not text; other members are ignored.
    static Result<CheckForUpdateResult> fromJson(const QByteArray& body);
};

} // namespace tidewell
