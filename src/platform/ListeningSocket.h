#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>
#include <optional>

namespace tidewell {

// One listening TCP socket as `lsof -iTCP -sTCP:LISTEN -n -P` prints it: the COMMAND, PID and
// NAME columns, untouched, and the DEVICE column as the socket's identity (the same in every
// process that shares the socket); where the listing reads them itself, the process's start time
// and executable.
struct ListeningSocket
{
    QString command;
    QString pid;
    QString name;
    QString startTime{};
    quint64 socketInode = 0;
    // The port number at the end of `name`, where the source knows it as a number; -1 otherwise.
    int port = -1;
    // The file the process runs, which for a `#!` script is its interpreter, and stays the runtime's
    // when the process renames itself; empty where the listing does not read it.
    QString executable{};

    // The printed columns alone: the number only repeats the name's end.
    bool operator==(const ListeningSocket& other) const
    {
        return command == other.command && pid == other.pid && name == other.name;
    }
};

// One listing line: at least nine space-separated columns, or nothing.
std::optional<ListeningSocket> parseLsofLine(QStringView line);
// The whole listing: UTF-8 or nothing at all, first line taken as the header.
QList<ListeningSocket> parseLsofListing(const QByteArray& output);

} // namespace tidewell
