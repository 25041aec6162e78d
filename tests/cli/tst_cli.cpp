#include "cli/PortTableFormatter.h"
#include "deployments/VercelClient.h"
#include "support/StubHttpServer.h"
#include "support/TestProcesses.h"

#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSysInfo>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>
#include <unistd.h>

using namespace tidewell;
using namespace tidewell::test;
using namespace Qt::StringLiterals;

namespace {

// A home of the test's own for runs of tidewell: data and settings folders, the Vercel tool's token
// and the stored team when given, and a local stand-in for the Vercel service.
struct Home
{
    QTemporaryDir dir;
    StubHttpServer vercel;

    bool store(const QByteArray& token, const QByteArray& team = {}) const
    {
        return (token.isEmpty() || writeFile(dir.filePath(u"data/com.vercel.cli/auth.json"_s),
                                             R"({"token":")" + token + R"("})")) &&
               (team.isEmpty() || writeFile(dir.filePath(u"config/orvane.com/Tidewell.conf"_s),
                                            "[General]\nselected_vercel_team=" + team + "\n"));
    }
    // `tidewell` (or `command` ending in it) run to its end, `variables` added to the test's own.
    ProgramRun run(const QStringList& arguments,
                   std::initializer_list<std::pair<QString, QString>> variables = {},
                   QStringList command = {QStringLiteral(TIDEWELL_PROGRAM)}) const
    {
        QProcessEnvironment environment;
        environment.insert(u"XDG_DATA_HOME"_s, dir.filePath(u"data"_s));
        environment.insert(u"XDG_CONFIG_HOME"_s, dir.filePath(u"config"_s));
        environment.insert(u"TIDEWELL_VERCEL_API_ORIGIN"_s, vercel.origin());
        environment.insert(u"TIDEWELL_VERCEL_DASHBOARD_ORIGIN"_s, u"https://dash.example"_s);
        environment.insert(u"LANG"_s, u"en_US.UTF-8"_s);
        for (const auto& [name, value] : variables)
            environment.insert(name, value);
        const QString program = command.takeFirst();
        return runProgram(program, command + arguments, environment, 60'000);
    }
};

QJsonObject entryOnPort(const QByteArray& json, int port)
{
    for (const QJsonValue& value : QJsonDocument::fromJson(json).array()) {
        if (value[u"port"_s].toString() == QString::number(port))
            return value.toObject();
    }
    return {};
}

QString shown(const QJsonObject& entry)
{
    return QStringList{entry[u"processName"_s].toString(), entry[u"htmlData"_s][u"title"_s].toString(),
                       entry[u"htmlData"_s][u"appType"_s].toString(),
                       entry[u"processInfo"_s][u"cwd"_s].toString()}
        .join(u'|');
}

const QByteArray kToken = "tok-9f8e7d";

} // namespace

class CliTest : public QObject
{
    Q_OBJECT
private slots:
    void tableKeepsEveryEntryOnOneLine()
    {
        const PortData page(u"python3"_s, u"8000"_s, u"42"_s,
                            HTMLData{u"\n  My\tApp\n"_s, AppType::react, std::nullopt, HttpScheme::http},
                            ProcessInfo{u"/tmp/a b"_s, u"python3 -m http.server"_s});
        const PortData bare(u"postgres"_s, u"5432"_s, u"77"_s);
        // Control characters become spaces so that a title never breaks the line; columns are as wide
        // as their widest cell and trailing blanks are cut.
        QCOMPARE(PortTableFormatter::table({page, bare}),
                 QByteArray("PORT  PID  PROCESS   TITLE       TYPE   DIRECTORY  COMMAND\n"
                            "8000  42   python3      My App   react  /tmp/a b   python3 -m http.server\n"
                            "5432  77   postgres\n"));
    }

    // A long or hostile title neither widens, breaks nor reorders the table; the JSON keeps it whole.
    void tableCutsAndCleansOutsideText_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("shown");
        QTest::newRow("10 kB") << QString(10000, u'T') << QString(59, u'T') + u"\u2026"_s;
        QTest::newRow("bidi, separators, C1")
            << u"a\u202Eb\u2066c\u2069\u2028d\u2029e\u0085f"_s << u"abcde f"_s;
    }

    void tableCutsAndCleansOutsideText()
    {
        QFETCH(QString, title);
        QFETCH(QString, shown);
        const PortData entry(u"node"_s, u"3000"_s, u"42"_s,
                             HTMLData{title, AppType::react, std::nullopt, HttpScheme::http},
                             ProcessInfo{u"/srv"_s, title});
        const QString table = QString::fromUtf8(PortTableFormatter::table({entry}));
        QVERIFY2(table.count(u'\n') == 2 && table.size() < 400 &&
                     table.endsWith(u"  %1  react  /srv       %1\n"_s.arg(shown)),
                 qPrintable(table.left(400)));
        const QJsonArray json = QJsonDocument::fromJson(PortTableFormatter::json({entry})).array();
        QCOMPARE(json[0][u"htmlData"_s][u"title"_s].toString(), title);
    }

    void optionsExitWithoutTheWindow_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("printed");
        QTest::addColumn<QString>("language"); // LANG
        const auto row = [](const char* name, const QStringList& arguments, int exitCode,
                            const QByteArray& printed, const QString& language = u"en_US.UTF-8"_s) {
            QTest::newRow(name) << arguments << exitCode << printed << language;
        };
        row("help", {u"--help"_s}, 0, "Usage: tidewell [options]");
        row("version", {u"--version"_s}, 0, "Tidewell " TIDEWELL_VERSION "\n");
        row("unknown", {u"--no-such-option"_s}, 2, {});
        row("words without --list", {u"shop"_s}, 2, {});
        row("list", {u"--list"_s, u"--timeout"_s, u"1"_s}, 0, "PORT");
        // Alone, each of them means --list.
        row("--json alone", {u"--json"_s}, 0, "[");
        row("--all alone", {u"--all"_s}, 0, "PORT");
        row("check-update, no service", {u"--check-update"_s}, 1, {});
        row("deployments, no token", {u"--deployments"_s}, 2, {});
        // The user's language, Qt's own words ("Optionen:") with Tidewell's.
        row("help in German", {u"--help"_s}, 0, "Mit --list: auch jeden anderen lauschenden Prozess",
            u"de_DE.UTF-8"_s);
        row("help in Spanish, Qt's words", {u"--help"_s}, 0, "Opciones:", u"es_ES.UTF-8"_s);
    }

    // The command-line paths never start the window's side of Qt, so they run where no display is: with
    // the X11 platform asked for and no display, a window would abort the program.
    void optionsExitWithoutTheWindow()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, printed);
        QFETCH(QString, language);
        const ProgramRun run = Home().run(arguments, {{u"LANG"_s, language},
                                                      {u"LD_DEBUG"_s, u"files"_s},
                                                      {u"QT_QPA_PLATFORM"_s, u"xcb"_s},
                                                      {u"TIDEWELL_UPDATE_URL"_s, u"http://127.0.0.1:9/"_s}});
        QTEST(run.exitCode, "exitCode");
        QVERIFY2(run.out.contains(printed), run.out);
        if (QSysInfo::kernelType() != u"linux"_s)
            return; // LD_DEBUG is the GNU loader's
        // The loader names every object it maps; an object never mapped is never named.
        QVERIFY2(run.err.contains("libQt6Core"), run.err);
        QVERIFY2(!run.err.contains("/platforms/"), run.err);
    }

    // The time `tidewell --list` gives each server is the one README states and `--help` prints, and a
    // silent server is listed as not answering once it has passed.
    void probeTimeLimitIsTheOneDocumented()
    {
        const QByteArray readme = fileContent(QStringLiteral(QT_TESTCASE_SOURCEDIR "/../../README.md"));
        const QRegularExpressionMatch stated =
            QRegularExpression(u"`tidewell --list` waits at most (\\d+)\\s+seconds for each server"_s)
                .match(QString::fromUtf8(readme));
        QVERIFY2(stated.hasMatch(), "README.md states no time for each server");
        const QByteArray help = Home().run({u"--help"_s}).out.simplified();
        QVERIFY2(help.contains("page (default " + stated.captured(1).toUtf8() + ")"), help);
        auto silent = startListener({u"--name"_s, u"node"_s, u"--mode"_s, u"silent"_s});
        QVERIFY(silent->waitUntilReady());
        QElapsedTimer clock;
        clock.start();
        const ProgramRun run = Home().run({u"--list"_s, u"--json"_s});
        // The program's timer may end up to 5% early, as Qt's coarse timers do.
        QVERIFY2(clock.elapsed() >= stated.captured(1).toLongLong() * 1000 * 95 / 100,
                 qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(entryOnPort(run.out, silent->port()).value(u"answered"_s), QJsonValue(false));
    }

    // A FIFO planted where the credential file or the settings are read holds up no command: the file
    // is never opened for a blocking read, and the command says why it was left alone.
    void plantedFilesHoldUpNoCommand_data()
    {
        QTest::addColumn<QString>("planted");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("said");
        const QString auth = u"data/com.vercel.cli/auth.json"_s;
        const QString settings = u"config/orvane.com/Tidewell.conf"_s;
        const QStringList deployments{u"--deployments"_s};
        const QStringList listing{u"--list"_s, u"--json"_s, u"--timeout"_s, u"1"_s};
        QTest::newRow("auth.json, deployments")
            << auth << deployments << 2 << "Error reading or parsing auth.json: Not a regular file"_ba;
        QTest::newRow("settings, deployments")
            << settings << deployments << 2 << "Settings file not read: Not a regular file"_ba;
        QTest::newRow("settings, JSON listing")
            << settings << listing << 0 << "Settings file not read: Not a regular file"_ba;
    }

    void plantedFilesHoldUpNoCommand()
    {
        QFETCH(QString, planted);
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, said);
        const Home home;
        const QString path = home.dir.filePath(planted);
        QVERIFY(QDir().mkpath(QFileInfo(path).path()) &&
                ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        const ProgramRun run = home.run(arguments);
        QTEST(run.exitCode, "exitCode");
        QVERIFY2(run.err.contains(said), run.err);
        if (arguments.contains(u"--json"_s))
            QVERIFY2(QJsonDocument::fromJson(run.out).isArray(), run.out);
    }

    void listsRealServersWithTheirOrigin_data()
    {
        QTest::addColumn<QString>("backend");
        QTest::newRow("native") << u"native"_s;
        QTest::newRow("commands") << u"commands"_s;
    }

    // Servers from a shell in a known folder, one that never answers, and a listener that is no dev server.
    void listsRealServersWithTheirOrigin()
    {
        QFETCH(QString, backend);
        if (backend == "commands"_L1 && (!QFile::exists(u"/bin/zsh"_s) || findProgram(u"lsof"_s).isEmpty()))
            QSKIP("zsh or lsof is not installed: the command backend cannot run here");
        const Home home;
        const QString folder = home.dir.filePath(u"my project"_s);
        QVERIFY(QDir().mkpath(folder));
        auto python = startListenerFromShell(
            {u"--title"_s, u"Python Docs"_s, u"--body"_s, u"<script src=\"/@react-refresh\"></script>"_s},
            folder);
        auto shop = startListenerFromShell({u"--name"_s, u"node"_s, u"--title"_s, u"Node Shop"_s, u"--body"_s,
                                            u"<script src=\"/_next/static/app.js\"></script>"_s},
                                           folder);
        auto database = startListener({u"--name"_s, u"postgres"_s});
        auto silent = startListener({u"--mode"_s, u"silent"_s});
        QVERIFY(python->waitUntilReady() && shop->waitUntilReady() && database->waitUntilReady() &&
                silent->waitUntilReady());
        // With every trace line on: they go to standard error, and the output stays parseable.
        const auto list = [&](const QStringList& arguments) {
            return home.run(arguments, {{u"TIDEWELL_BACKEND"_s, backend},
                                        {u"QT_LOGGING_RULES"_s, u"tidewell.*.debug=true"_s}});
        };
        // --json alone means --list. Five seconds let a loaded machine answer; only the silent server waits.
        const ProgramRun json = list({u"--json"_s, u"--timeout"_s, u"5"_s});
        QVERIFY2(json.err.contains("Getting process info "), json.err);
        const QByteArray listed = json.out;
        QVERIFY2(QJsonDocument::fromJson(listed).isArray(), listed);
        const QJsonObject py = entryOnPort(listed, python->port());
        QCOMPARE(shown(py), u"python3|Python Docs|react|"_s + folder);
        QVERIFY(py[u"processInfo"_s][u"cmd"_s].toString().contains(u"listener.py"_s));
        QCOMPARE(shown(entryOnPort(listed, shop->port())), u"node|Node Shop|nextjs|"_s + folder);
        QVERIFY(entryOnPort(listed, database->port()).isEmpty());
        const QJsonObject unanswered = entryOnPort(listed, silent->port());
        QCOMPARE(unanswered.value(u"answered"_s), QJsonValue(false));
        QVERIFY(!unanswered.contains(u"htmlData"_s));
        // With --all, other listeners are added under their process name, without page or origin.
        const QByteArray all = list({u"--all"_s, u"--json"_s, u"--timeout"_s, u"5"_s}).out;
        const QString expectedDatabase =
            uR"({"processName":"postgres","port":"%1","pid":"%2",)"
            R"("htmlData":{"title":"postgres","appType":"unknown","scheme":"http"}})"_s.arg(database->port())
                .arg(database->pid());
        QCOMPARE(entryOnPort(all, database->port()),
                 QJsonDocument::fromJson(expectedDatabase.toUtf8()).object());
        // The table (laid out as tableKeepsEveryEntryOnOneLine checks) marks the server that never answered.
        const QByteArray table = list({u"--all"_s, u"--timeout"_s, u"5"_s}).out;
        const QList<QByteArray> lines = table.split('\n');
        const auto line = std::find_if(lines.cbegin(), lines.cend(), [&](const QByteArray& l) {
            return l.startsWith(QByteArray::number(silent->port()) + ' ');
        });
        QVERIFY2(line != lines.cend() && line->contains("no answer"), table);
        QVERIFY(table.contains("Node Shop") && table.contains("postgres"));
        // Words keep the servers that hold each of them in any text, in any letter case.
        const QString port = QString::number(shop->port());
        const QByteArray found = list({u"--list"_s, u"--all"_s, u"--json"_s, u"SHOP"_s, port}).out;
        QCOMPARE(QJsonDocument::fromJson(found).array().size(), 1);
        QVERIFY(!entryOnPort(found, shop->port()).isEmpty());
        const QByteArray byFolder =
            list({u"--list"_s, u"--all"_s, u"--json"_s, u"postgres"_s, u"my project"_s}).out;
        QCOMPARE(QJsonDocument::fromJson(byFolder).array().size(), 0);
    }

    void linkedEntriesCarryTheirDeployment_data()
    {
        QTest::addColumn<QString>("token");         // "fifo": a FIFO stands in the credential file's place
        QTest::addColumn<QByteArray>("deployment"); // of the linked server
        QTest::addColumn<QByteArray>("said");
        QTest::newRow("token") << u"tok"_s
                               << QByteArray(R"({"projectId":"prj_web","name":"web","state":"READY",)"
                                             R"("time":"2020-09-13T12:26:40.000Z"})")
                               << QByteArray();
        QTest::newRow("no token")
            << QString() << QByteArray()
            << QByteArray("No Vercel token: the deployments of linked projects are not shown\n");
        // A file that is there but cannot be read is said on standard error, beside the JSON.
        QTest::newRow("a FIFO for a token file")
            << u"fifo"_s << QByteArray()
            << QByteArray("Error reading or parsing auth.json: Not a regular file (FILE)\n"
                          "No Vercel token: the deployments of linked projects are not shown\n");
    }

    // `tidewell --list --json` over a real server in a repository linked to a Vercel project. (A link above
    // the repository is no link of its: tst_deployments.)
    void linkedEntriesCarryTheirDeployment()
    {
        QFETCH(QString, token);
        QFETCH(QByteArray, deployment);
        Home home;
        const QDir root(home.dir.path());
        QVERIFY(home.store(token == u"tok"_s ? "tok" : "", "team_1"));
        const QString tokenFile = root.filePath(u"data/com.vercel.cli/auth.json"_s);
        QVERIFY(token != u"fifo"_s || (root.mkpath(u"data/com.vercel.cli"_s) &&
                                       ::mkfifo(QFile::encodeName(tokenFile).constData(), 0600) == 0));
        writeFile(root.filePath(u"repo/.vercel/project.json"_s),
                  R"({"projectId":"prj_web","orgId":"team_1"})");
        QVERIFY(root.mkpath(u"repo/.git"_s) && root.mkpath(u"repo/web"_s));
        home.vercel.setReply(
            "/v9/projects/prj_web",
            StubHttpServer::Reply::with(R"({"id":"prj_web","name":"web","latestDeployments":[{"id":"d",)"
                                        R"("readyState":"READY","readyAt":1600000000000,"meta":{}}]})"));
        auto linked = startListenerFromShell({u"--name"_s, u"node"_s}, root.filePath(u"repo/web"_s));
        QVERIFY(linked->waitUntilReady());
        const ProgramRun run = home.run({u"--list"_s, u"--json"_s, root.path()});
        QMap<int, QJsonValue> byPort;
        for (const QJsonValue& entry : QJsonDocument::fromJson(run.out).array())
            byPort.insert(entry[u"port"_s].toString().toInt(), entry[u"deployment"_s]);
        QCOMPARE(byPort.keys(), QList<int>{linked->port()});
        QCOMPARE(byPort.value(linked->port()),
                 deployment.isEmpty() ? QJsonValue(QJsonValue::Undefined)
                                      : QJsonValue(QJsonDocument::fromJson(deployment).object()));
        QTEST(QByteArray(run.err).replace(tokenFile.toUtf8(), "FILE"), "said");
        const bool asked = token == u"tok"_s;
        QCOMPARE(home.vercel.requests().size(), asked ? 1 : 0);
        QCOMPARE(home.vercel.requests().value(0).target,
                 asked ? "/v9/projects/prj_web?teamId=team_1"_ba : "");
    }

    void deployments_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("storedTeam");
        QTest::addColumn<QByteArray>("token");
        QTest::addColumn<QByteArray>("projectsReply");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArrayList>("printed");
        QTest::addColumn<QByteArray>("projectsTarget");
        QTest::addColumn<QString>("language"); // LANG
        const QString english = u"en_US.UTF-8"_s;
        const QByteArray projects =
            R"({"projects":[{"id":"p1","name":"shop","framework":null,"latestDeployments":[{"id":"d1",)"
            R"("readyState":"READY","readyAt":1600000000000,"meta":{"githubCommitAuthorName":"ann",)"
            R"("githubCommitMessage":"Fix cart"}}]},{"id":"p2","name":"docs","latestDeployments":[)"
            R"({"id":"d2","readyState":"BUILDING","meta":{}}]}]})";
        const QByteArray personal = "/v9/projects?limit=4";
        const QByteArray team = "/v9/projects?limit=4&teamId=team_1";
        QTest::newRow("table")
            << QStringList() << QByteArray() << kToken << projects << 0
            << QByteArrayList{"PROJECT  STATE     DEPLOYED",
                              "COMMIT",
                              "DASHBOARD",
                              "shop     READY     ",
                              " years ago  ann: Fix cart  https://dash.example/ann/shop/deployments",
                              "docs     BUILDING                              "
                              "https://dash.example/ann/docs/deployments"}
            << personal << english;
        QTest::newRow("json, team by slug")
            << QStringList{u"--json"_s, u"--team"_s, u"r-d"_s} << QByteArray() << kToken << projects << 0
            << QByteArrayList{R"("dashboardUrl": "https://dash.example/r-d/shop/deployments")",
                              R"("githubCommitMessage": "Fix cart")", R"("readyState": "BUILDING")"}
            << team << english;
        QTest::newRow("stored team") << QStringList() << "team_1"_ba << kToken << projects << 0
                                     << QByteArrayList{"https://dash.example/r-d/docs/deployments"} << team
                                     << english;
        QTest::newRow("refused token")
            << QStringList() << QByteArray() << kToken
            << QByteArray(R"({"error":{"code":"forbidden","message":"Not authorized"}})") << 1
            << QByteArrayList{"Failed to fetch, please check your network.\nMissing member \"projects\""}
            << personal << english;
        QTest::newRow("no token") << QStringList() << QByteArray() << QByteArray() << projects << 2
                                  << QByteArrayList{"setup with `vercel login` in your command line"}
                                  << QByteArray() << english;
        // The relative time speaks the user's language, as ICU words it.
        QTest::newRow("table in German")
            << QStringList() << QByteArray() << kToken << projects << 0
            << QByteArrayList{"shop     READY     vor ", " Jahren  ann: Fix cart"} << personal
            << u"de_DE.UTF-8"_s;
    }

    void deployments()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, storedTeam);
        QFETCH(QByteArray, token);
        QFETCH(QByteArray, projectsReply);
        QFETCH(QByteArrayList, printed);
        Home home;
        QVERIFY(home.store(token, storedTeam));
        home.vercel.setReply("/v2/user", StubHttpServer::Reply::with(R"({"user":{"username":"ann"}})"));
        home.vercel.setReply("/v2/teams", StubHttpServer::Reply::with(
                                              R"({"teams":[{"id":"team_1","name":"R&D","slug":"r-d"}]})"));
        home.vercel.setReply("/v9/projects", StubHttpServer::Reply::with(projectsReply));
        QFETCH(QString, language);
        const ProgramRun run = home.run(QStringList{u"--deployments"_s} + arguments, {{u"LANG"_s, language}});
        QTEST(run.exitCode, "exitCode");
        const QByteArray all = run.out + run.err;
        for (const QByteArray& text : printed)
            QVERIFY2(all.contains(text), all.constData());
        QVERIFY2(!all.contains(kToken), all.constData());
        QCOMPARE(run.out.isEmpty(), run.exitCode != 0);
        if (!arguments.contains(u"--json"_s))
            QVERIFY2(run.out.count('\n') <= 1 + VercelClient::kProjectLimit, run.out.constData());
        QByteArray target;
        for (const StubHttpServer::Request& request : home.vercel.requests()) {
            if (request.target.startsWith("/v9/"))
                target = request.target;
        }
        QTEST(target, "projectsTarget");
    }

    void checkUpdatePrintsTheAnswer_data()
    {
        QTest::addColumn<QByteArray>("answer"); // empty: checks are not set up
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("err");
        const auto row = [](const char* name, const char* answer, int exitCode, const char* out,
                            const char* err) {
            QTest::newRow(name) << QByteArray(answer) << exitCode << QByteArray(out) << QByteArray(err);
        };
        // A line break, a terminal escape or a bidirectional control in the service's text does not reach
        // the terminal as such.
        row("answered",
            "{\"message\":\"\\u202eNew\\nbuild\\u001b[2J\",\"version\":\"9.9\\u202e.9\","
            "\"download_link\":\"https://dl.example/T.dmg\"}",
            0, "New build [2J\n9.9.9\nhttps://dl.example/T.dmg\n", "");
        row("failed", R"({"version":"9.9.9"})", 1, "",
            "Failed to check for update, please check your network.\n"
            "The answer has no text member \"message\".\n");
        row("not set up", "", 3, "", "Update checks are not set up in this build.\n");
    }

    void checkUpdatePrintsTheAnswer()
    {
        QFETCH(QByteArray, answer);
        const bool setUp = !answer.isEmpty();
        StubHttpServer service;
        service.setReply("/api/check-update", StubHttpServer::Reply::with(answer));
        // Set but empty turns checks off whatever the build was configured with.
        const ProgramRun run = Home().run({u"--check-update"_s},
                                          {{u"TIDEWELL_UPDATE_URL"_s, setUp ? service.origin() : QString()}});
        QTEST(run.exitCode, "exitCode");
        QTEST(run.out, "out");
        QTEST(run.err, "err");
        QCOMPARE(service.requests().size(), setUp ? 1 : 0);
        QCOMPARE(service.requests().value(0).body,
                 setUp ? QByteArray("{\"current_version\":\"" TIDEWELL_VERSION "\"}") : QByteArray());
    }

    void stopFreesThePort_data()
    {
        QTest::addColumn<QStringList>("serverOptions"); // empty: nothing listens on the port
        QTest::addColumn<bool>("force");
        QTest::addColumn<bool>("otherUser");
        QTest::addColumn<int>("exitCode"); // 0: the server is gone
        QTest::addColumn<QString>("said"); // what it prints
        const QStringList plain{u"--name"_s, u"node"_s, u"--mode"_s, u"silent"_s};
        const QStringList holdsTerm = plain + QStringList{u"--hold-term"_s};
        QTest::newRow("ends on SIGTERM")
            << plain << false << false << 0 << u"Stopped node (pid {pid}) on port {port}"_s;
        QTest::newRow("ignores SIGTERM") << holdsTerm << false << false << 1
                                         << u"node (pid {pid}) on port {port} still listens after 5 s"_s;
        QTest::newRow("ignores SIGTERM, --force")
            << holdsTerm << true << false << 0 << u"Stopped node (pid {pid}) on port {port} with SIGKILL"_s;
        QTest::newRow("nothing listens")
            << QStringList() << false << false << 1 << u"Nothing listens on port {port}"_s;
        QTest::newRow("another user's process")
            << plain << false << true << 1
            << u"Not permitted: port {port} is held by a process of another user"_s;
    }

    void stopFreesThePort()
    {
        QFETCH(QStringList, serverOptions);
        QFETCH(bool, force);
        QFETCH(bool, otherUser);
        QFETCH(int, exitCode);
        QFETCH(QString, said);
        if (otherUser && (::geteuid() != 0 || findProgram(u"setpriv"_s).isEmpty()))
            QSKIP("Running as another user needs root and setpriv");
        const QStringList asOther{findProgram(u"setpriv"_s), u"--reuid=nobody"_s, u"--regid=nogroup"_s,
                                  u"--clear-groups"_s};
        // Bound without listening and never shared: no other process can listen on that port meanwhile.
        QTcpSocket reserved;
        const auto server = serverOptions.isEmpty() ? nullptr : startListener(serverOptions);
        QVERIFY(server ? server->waitUntilReady()
                       : reserved.bind(QHostAddress::LocalHost, 0, QAbstractSocket::DontShareAddress));
        const int port = server ? server->port() : reserved.localPort();
        const qint64 pid = server ? server->pid() : 0; // taken while it lives
        const ProgramRun run = Home().run(
            QStringList{u"--stop"_s, QString::number(port)} +
                (force ? QStringList{u"--force"_s} : QStringList()),
            {}, (otherUser ? asOther : QStringList()) + QStringList{QStringLiteral(TIDEWELL_PROGRAM)});
        QCOMPARE(run.exitCode, exitCode);
        said.replace(u"{pid}"_s, QString::number(pid)).replace(u"{port}"_s, QString::number(port));
        QVERIFY2((run.out + run.err).contains(said.toUtf8()), run.out + run.err);
        if (server)
            QTRY_COMPARE_WITH_TIMEOUT(server->process().state() == QProcess::NotRunning, exitCode == 0,
                                      10000);
    }
};

QTEST_GUILESS_MAIN(CliTest)
#include "tst_cli.moc"
