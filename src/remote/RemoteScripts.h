#pragma once

#include <QByteArray>

namespace tidewell {

// The fixed POSIX sh programs Tidewell sends to a remote machine's `sh -s`. Their text is the same
// every time: nothing of the user's, the network's or the machine's is pasted into it, and the stop
// program takes only numbers and a signal name from a fixed pair as its arguments.
namespace RemoteScripts {

// Runs `tidewell --list --all --json` when the machine has it; otherwise prints "#tidewell-listing 1"
// and the sections RemoteListingReader reads: the listening sockets (from ss, or /proc/net/tcp with
// the descriptors of /proc/PID/fd), then /proc/PID/stat and cmdline of each listener and its parents,
// and the executable and folder links of each listener. Where the system is not Linux (macOS): lsof's
// listing, then ps's parents and names of every process, the start time and command of each
// listener, and lsof's folder and executable of each.
const QByteArray& listing();

// Arguments: pid, start time as listed, socket inode as listed, TERM or KILL, port. Signals the
// process only while it is the one listed (same start time; on Linux the socket still held, elsewhere
// the port still listened on by that process), then waits up to 5 s for it to let the socket go.
// Prints one word: stopped, still-listening, not-listed or not-permitted.
const QByteArray& stop();

} // namespace RemoteScripts

} // namespace tidewell
