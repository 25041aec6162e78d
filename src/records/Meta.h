#pragma once

#include <QJsonObject>
#include <QString>
#include <optional>

namespace tidewell {

class JsonDecoder;

// The source-control details of a Vercel deployment. A deployment made from the command line
// rather than a git push carries neither member, so both are optional.
struct Meta
{
    std::optional<QString> githubCommitAuthorName;
    std::optional<QString> githubCommitMessage;

    bool operator==(const Meta&) const = default;

    // "author: message" on one line (DisplayText::oneLine), only when both are known; the members
    // and the JSON keep the text whole.
    std::optional<QString> commitLine() const;

    QJsonObject toJson() const;
    static Meta decode(JsonDecoder& decoder, const QJsonValue& value);
};

} // namespace tidewell
