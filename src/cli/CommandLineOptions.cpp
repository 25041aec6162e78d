#include "cli/CommandLineOptions.h"

#include "remote/SshDestination.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

namespace tidewell {

namespace {

void printError(const QString& line)
{
    std::fprintf(stderr, "%s\n", qPrintable(line));
}

} // namespace

CommandLineOptions CommandLineOptions::parse(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(tr("Shows which local development servers listen on which TCP ports.\n"
                                        "Without options the menu-bar window starts."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption listOption(
        QStringLiteral("list"),
        tr("Print the development servers (with their page, what they answered instead, or "
           "that they did not answer), then exit."));
    const QCommandLineOption allOption(QStringLiteral("all"),
                                       tr("With --list: also print every other listening process."));
    const QCommandLineOption jsonOption(
        QStringLiteral("json"), tr("With --list or --deployments: print one JSON array instead of a table."));
    const QCommandLineOption timeoutOption(
        QStringLiteral("timeout"),
        tr("With --list: wait at most this many seconds for each server's page (default %1); "
           "a server that takes longer is listed as not answering.")
            .arg(CommandLineOptions::kDefaultTimeoutSeconds),
        tr("seconds"), QString::number(CommandLineOptions::kDefaultTimeoutSeconds));

    const QCommandLineOption checkUpdateOption(
        QStringLiteral("check-update"),
        tr("Ask the update service about a newer version, print its answer, then exit."));
    const QCommandLineOption deploymentsOption(
        QStringLiteral("deployments"),
        tr("Print the latest Vercel deployment of each project, then exit. Uses the token of "
           "`vercel login`."));
    const QCommandLineOption teamOption(
        QStringLiteral("team"), tr("With --deployments: the Vercel team (id or slug) for this run only."),
        QStringLiteral("ID_OR_SLUG"));
    const QCommandLineOption stopOption(
        QStringLiteral("stop"),
        tr("Stop what listens on this port (SIGTERM), wait up to 5 seconds for it to let the "
           "port go, print what was stopped, then exit."),
        tr("port"));
    const QCommandLineOption forceOption(QStringLiteral("force"),
                                         tr("With --stop: kill (SIGKILL) a process still listening then."));
    const QCommandLineOption hostOption(
        QStringLiteral("host"),
        tr("With --list or --stop: that machine over ssh instead of this one (a host of "
           "~/.ssh/config, user@host or host:port); --list takes it more than once."),
        tr("destination"));
    const QCommandLineOption forwardOption(
        QStringLiteral("forward"),
        tr("Forward a local port to PORT on that machine through its shared ssh connection, "
           "print the local address, then exit."),
        tr("destination:port"));
    const QCommandLineOption localPortOption(QStringLiteral("local-port"),
                                             tr("With --forward: this local port instead of a free one."),
                                             tr("port"));
    parser.addOptions({listOption, allOption, jsonOption, timeoutOption, checkUpdateOption, deploymentsOption,
                       teamOption, stopOption, forceOption, hostOption, forwardOption, localPortOption});
    parser.addPositionalArgument(tr("words"),
                                 tr("With --list: only the servers whose port, title, process name, "
                                    "folder or command holds every word (any letter case)."),
                                 tr("[words...]"));

    CommandLineOptions options;
    if (!parser.parse(arguments)) {
        printError(parser.errorText());
        options.exitNow = true;
        options.exitCode = 2;
        return options;
    }
    if (parser.isSet(helpOption)) {
        // The parser names the program as it was typed (a path, perhaps), or, without an application
        // object, not at all; the help names it as a user types it.
        QString help = parser.helpText();
        help.replace(QLatin1String("<executable_name>"), QLatin1String("tidewell"));
        if (!arguments.isEmpty())
            help.replace(arguments.constFirst() + QLatin1Char(' '), QLatin1String("tidewell "));
        std::fputs(qPrintable(help), stdout);
        options.exitNow = true;
        return options;
    }
    if (parser.isSet(versionOption)) {
        std::printf("%s %s\n", qPrintable(QCoreApplication::applicationName()),
                    qPrintable(QCoreApplication::applicationVersion()));
        options.exitNow = true;
        return options;
    }
    bool validTimeout = false;
    options.timeoutSeconds = parser.value(timeoutOption).toInt(&validTimeout);
    if (!validTimeout || options.timeoutSeconds < 1 || options.timeoutSeconds > 3600) {
        printError(tr("--timeout takes a whole number of seconds from 1 to 3600."));
        options.exitNow = true;
        options.exitCode = 2;
        return options;
    }
    options.checkUpdate = parser.isSet(checkUpdateOption);
    options.all = parser.isSet(allOption);
    options.json = parser.isSet(jsonOption);
    options.deployments = parser.isSet(deploymentsOption) || parser.isSet(teamOption);
    if (parser.isSet(teamOption))
        options.team = parser.value(teamOption);
    options.hosts = parser.values(hostOption);
    const auto fail = [&options](const char* message) {
        std::fprintf(stderr, "%s\n", message);
        options.exitNow = true;
        options.exitCode = 2;
        return options;
    };
    for (const QString& host : std::as_const(options.hosts)) {
        if (!SshDestination::parse(host))
            return fail("--host takes an ssh destination: a host of ~/.ssh/config, user@host or host:port.");
    }
    if (parser.isSet(forwardOption)) {
        options.forward = parser.value(forwardOption);
        if (!SshDestination::parseWithPort(options.forward))
            return fail(
                "--forward takes an ssh destination and a port, as in: tidewell --forward devbox:3000");
    }
    if (parser.isSet(localPortOption)) {
        bool validPort = false;
        options.localPort = parser.value(localPortOption).toInt(&validPort);
        if (!validPort || options.localPort < 1 || options.localPort > 65535 || options.forward.isEmpty())
            return fail("--local-port takes a port number from 1 to 65535, with --forward.");
    }
    options.list = parser.isSet(listOption) || options.all || (options.json && !options.deployments) ||
                   parser.isSet(timeoutOption) || (!options.hosts.isEmpty() && !parser.isSet(stopOption));
    options.words = parser.positionalArguments();
    options.force = parser.isSet(forceOption);
    if (parser.isSet(stopOption)) {
        bool validPort = false;
        options.stopPort = parser.value(stopOption).toInt(&validPort);
        if (!validPort || options.stopPort < 1 || options.stopPort > 65535) {
            printError(tr("--stop takes a port number from 1 to 65535."));
            options.exitNow = true;
            options.exitCode = 2;
            return options;
        }
    }
    if (!options.forward.isEmpty() &&
        (options.list || options.deployments || options.checkUpdate || parser.isSet(stopOption))) {
        printError(tr("--forward goes alone, or with --local-port."));
        options.exitNow = true;
        options.exitCode = 2;
    } else if (options.stopPort != 0 && options.hosts.size() > 1) {
        printError(tr("--stop takes one --host."));
        options.exitNow = true;
        options.exitCode = 2;
    } else if (options.stopPort != 0 && (options.list || options.deployments || options.checkUpdate)) {
        printError(tr("--stop goes alone, or with --force and --host."));
        options.exitNow = true;
        options.exitCode = 2;
    } else if (options.force && options.stopPort == 0) {
        printError(tr("--force goes with --stop, as in: tidewell --stop 3000 --force"));
        options.exitNow = true;
        options.exitCode = 2;
    } else if (options.list && options.deployments) {
        printError(tr("--list and --deployments cannot be asked for together."));
        options.exitNow = true;
        options.exitCode = 2;
    } else if (!options.list && !options.words.isEmpty()) {
        printError(tr("Words to find servers by go with --list, as in: tidewell --list %1")
                       .arg(options.words.join(QLatin1Char(' '))));
        options.exitNow = true;
        options.exitCode = 2;
    }
    return options;
}

} // namespace tidewell
