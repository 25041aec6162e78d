#pragma once

#include "records/PortData.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>
#include <optional>

namespace tidewell {

// What a remote machine listens on, split by this machine's development-server rules.
struct RemoteListing
{
    QList<PortData> servers;
    QList<PortData> others;
    // The machine ran its own tidewell: its rows carry the pages it probed there, and no identity
    // for the same-process check (its own `tidewell --stop` makes that check).
    bool fromTidewell = false;
    // Port keys of the servers that machine's tidewell found not answering.
    QSet<QString> unanswered;

    bool operator==(const RemoteListing& other) const = default;
};

// Reads what RemoteScripts::listing() printed on a remote machine, or that machine's
// `tidewell --list --all --json`. Every field is checked as it is read: ports are numbers from 1 to
// 65535, pids and inodes whole numbers, texts made one line (DisplayText::oneLine) and cut to
// kMaxTextLength; a record failing a check is left out. Callable from any thread.
class RemoteListingReader
{
public:
    // The most a listing may send; the connection stops reading past it.
    static constexpr qsizetype kMaxOutputBytes = 1024 * 1024;
    static constexpr qsizetype kMaxTextLength = 4096;
    static constexpr qsizetype kMaxEntries = 4096;

    // Nothing, with the reason in `error`, when the output is neither form.
    static std::optional<RemoteListing> read(const QByteArray& output, QString* error = nullptr);

    // A text from the far side, fit for a row: one line, at most kMaxTextLength characters.
    static QString cleanText(const QString& text);
};

} // namespace tidewell
