#pragma once

#include <QString>
#include <QStringList>

namespace tidewell {

// What the user asked for on the command line.
struct CommandLineOptions
{
    bool list = false;      // print the development servers and exit
    bool all = false;       // with list: add every other listener
    bool json = false;      // with list: one JSON array instead of a table
    int timeoutSeconds = 5; // with list: how long one server's page may take
    bool exitNow = false;   // help, version or an error has been printed
    int exitCode = 0;
    // Ask the update service once, print its answer and exit.
    bool checkUpdate = false;

    // Prints help, version or the error itself; `--all`, `--json` and `--timeout` imply `--list`.
    static CommandLineOptions parse(const QStringList& arguments);
};

} // namespace tidewell
