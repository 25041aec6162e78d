#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <optional>

namespace tidewell {

// What the user asked for on the command line.
struct CommandLineOptions
{
    Q_DECLARE_TR_FUNCTIONS(CommandLineOptions)

public:
    // How long `--list` waits for one server's page, both schemes together, unless told otherwise: a
    // user waits at the terminal, and a silent server must not hold the whole list for long.
    static constexpr int kDefaultTimeoutSeconds = 3;

    bool list = false; // print the development servers and exit
    bool all = false;  // with list: add every other listener
    bool json = false; // with list or deployments: one JSON array instead of a table
    int timeoutSeconds = kDefaultTimeoutSeconds; // with list: how long one server's page may take
    QStringList words;                           // with list: only the servers that hold every word
    bool deployments = false;                    // print the latest Vercel deployments and exit
    std::optional<QString> team;                 // with deployments: this team (id or slug) for this run only
    bool exitNow = false;                        // help, version or an error has been printed
    int exitCode = 0;
    // Ask the update service once, print its answer and exit.
    bool checkUpdate = false;
    int stopPort = 0;   // stop what listens on this port and exit; 0: not asked
    bool force = false; // with stop: kill a process that is still listening after the wait
    QStringList hosts;  // with list or stop: these ssh destinations instead of this machine
    QString forward;    // DEST:PORT to forward a local port to, then exit; empty: not asked
    int localPort = 0;  // with forward: this local port; 0: a free one

    // Prints help, version or the error itself; `--all`, `--json` and `--timeout` imply `--list`,
    // unless `--deployments` (which `--team` implies) is asked for.
    static CommandLineOptions parse(const QStringList& arguments);
};

} // namespace tidewell
