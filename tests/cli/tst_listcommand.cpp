#include "cli/PortTableFormatter.h"
#include "platform/commands/ShellQuoting.h"
#include "support/StubHttpServer.h"
#include "support/TestProcesses.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace tidewell;
using namespace tidewell::test;
using namespace Qt::StringLiterals;

namespace {

// The exit code and standard output of one run of the real program.
std::pair<int, QByteArray> runTidewell(const QStringList& arguments, const QByteArray& backend = "native")
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"TIDEWELL_BACKEND"_s, QString::fromLatin1(backend));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral(TIDEWELL_PROGRAM), arguments);
    if (!process.waitForFinished(30000))
        return {-1, {}};
    return {process.exitCode(), process.readAllStandardOutput()};
}

QJsonObject entryOnPort(const QByteArray& json, int port)
{
    for (const QJsonValue& value : QJsonDocument::fromJson(json).array()) {
        if (value[u"port"_s].toString() == QString::number(port))
            return value.toObject();
    }
    return {};
}

// A member of an entry by its path, as "htmlData/title".
QString member(const QJsonObject& entry, const QString& path)
{
    QJsonValue value = entry;
    for (const QString& name : path.split(u'/'))
        value = value[name];
    return value.toString();
}

// What a row shows of a server: process, title, framework and folder.
QString shown(const QJsonObject& entry)
{
    QStringList members;
    for (const char* path : {"processName", "htmlData/title", "htmlData/appType", "processInfo/cwd"})
        members.append(member(entry, QString::fromLatin1(path)));
    return members.join(u'|');
}

const QByteArray kToken = "tok-9f8e7d";

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// `tidewell --deployments ...` with its token, settings and the Vercel origins in test-owned places.
// It runs while this test's event loop serves the stand-in.
Run runDeployments(const QStringList& arguments, const QTemporaryDir& home, const QString& apiOrigin)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("TIDEWELL_VERCEL_API_ORIGIN"), apiOrigin);
    environment.insert(QStringLiteral("TIDEWELL_VERCEL_DASHBOARD_ORIGIN"),
                       QStringLiteral("https://dash.example"));
    environment.insert(QStringLiteral("LANG"), QStringLiteral("en_US.UTF-8"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(TIDEWELL_PROGRAM), QStringList{QStringLiteral("--deployments")} + arguments);
    if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 30'000))
        return {};
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

void writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
}

} // namespace

class ListCommandTest : public QObject
{
    Q_OBJECT
private slots:
    void tableKeepsEveryEntryOnOneLine();
    void optionsExitAsDocumented_data();
    void optionsExitAsDocumented();
    void listsRealServersWithTheirOrigin_data();
    void listsRealServersWithTheirOrigin();
    void slowAndRedirectingServersAreListed();
    void deployments_data();
    void deployments();
    void tableCutsAndCleansOutsideText_data();
    void tableCutsAndCleansOutsideText();
    void commandLineMapsNoWidgets_data();
    void commandLineMapsNoWidgets();
    void windowWithoutItsModuleSaysSo();
};

void ListCommandTest::tableKeepsEveryEntryOnOneLine()
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

void ListCommandTest::optionsExitAsDocumented_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("help") << u"--help"_s << 0 << QByteArray("--list");
    QTest::newRow("version") << u"--version"_s << 0 << QByteArray("Tidewell ");
    QTest::newRow("unknown") << u"--no-such-option"_s << 2 << QByteArray();
    QTest::newRow("words without --list") << u"shop"_s << 2 << QByteArray();
}

void ListCommandTest::optionsExitAsDocumented()
{
    QFETCH(QString, option);
    QFETCH(QByteArray, expected);
    const auto [exitCode, out] = runTidewell({option});
    QTEST(exitCode, "exitCode");
    QVERIFY2(out.contains(expected), out);
}

void ListCommandTest::listsRealServersWithTheirOrigin_data()
{
    QTest::addColumn<QByteArray>("backend");
    QTest::newRow("native") << QByteArray("native");
    QTest::newRow("commands") << QByteArray("commands");
}

void ListCommandTest::listsRealServersWithTheirOrigin()
{
    QFETCH(QByteArray, backend);
    if (backend == "commands" && (!QFile::exists(u"/bin/zsh"_s) || findProgram(u"lsof"_s).isEmpty()))
        QSKIP("zsh or lsof is not installed: the command backend cannot run here");
    const QString node = findProgram(u"node"_s);
    if (node.isEmpty())
        QSKIP("node is not installed");

    QTemporaryDir dir;
    const QString folder = dir.filePath(u"my project"_s);
    QVERIFY(QDir().mkpath(folder));
    auto python = startListenerFromShell(
        {u"--title"_s, u"Python Docs"_s, u"--body"_s, u"<script src=\"/@react-refresh\"></script>"_s},
        folder);
    const QString nodeScript = QStringLiteral(
        "require('http').createServer((q, r) => { r.setHeader('Content-Type', 'text/html');"
        " r.end('<title>Node Shop</title><script src=\"/_next/static/app.js\"></script>'); })"
        ".listen(0, '127.0.0.1', function () { console.log('ready ' + this.address().port); })");
    ChildProcess nodeServer(
        u"/bin/bash"_s, {u"-c"_s, shellQuoted(node) + u" -e "_s + shellQuoted(nodeScript) + u"; exit $?"_s},
        folder);
    auto json = startListener({u"--mode"_s, u"json"_s});
    auto database = startListener({u"--name"_s, u"postgres"_s});
    QVERIFY(python->waitUntilReady() && nodeServer.waitUntilReady() && json->waitUntilReady() &&
            database->waitUntilReady());

    const auto [exitCode, listed] = runTidewell({u"--list"_s, u"--json"_s}, backend);
    QCOMPARE(exitCode, 0);
    QVERIFY2(QJsonDocument::fromJson(listed).isArray(), listed);
    const QJsonObject py = entryOnPort(listed, python->port());
    QCOMPARE(shown(py), u"python3|Python Docs|react|"_s + folder);
    QVERIFY(member(py, u"processInfo/cmd"_s).contains(u"listener.py"_s));
    const QJsonObject js = entryOnPort(listed, nodeServer.port());
    QCOMPARE(shown(js), u"node|Node Shop|nextjs|"_s + folder);
    QVERIFY(member(js, u"processInfo/cmd"_s).startsWith(node + u" -e"_s));
    QVERIFY2(entryOnPort(listed, json->port()).isEmpty(), "a server that answers JSON is no page");
    QVERIFY(entryOnPort(listed, database->port()).isEmpty());

    // With --all, other listeners are added under their process name, without page or origin.
    const QByteArray all = runTidewell({u"--list"_s, u"--all"_s, u"--json"_s}, backend).second;
    const QString expectedDatabase =
        uR"({"processName":"postgres","port":"%1","pid":"%2",)"
        R"("htmlData":{"title":"postgres","appType":"unknown","scheme":"http"}})"_s.arg(database->port())
            .arg(database->pid());
    QCOMPARE(entryOnPort(all, database->port()), QJsonDocument::fromJson(expectedDatabase.toUtf8()).object());

    const auto [tableExitCode, table] = runTidewell({u"--list"_s}, backend);
    QCOMPARE(tableExitCode, 0);
    QVERIFY2(table.simplified().startsWith("PORT PID PROCESS TITLE TYPE DIRECTORY COMMAND"), table);
    QVERIFY(table.contains("Node Shop") && table.contains("Python Docs"));
    QVERIFY(!table.contains("postgres"));

    // Words keep the servers that hold each of them in any text, in any letter case.
    const QString port = QString::number(nodeServer.port());
    const auto [wordsExitCode, found] =
        runTidewell({u"--list"_s, u"--all"_s, u"--json"_s, u"SHOP"_s, port}, backend);
    QCOMPARE(wordsExitCode, 0);
    QCOMPARE(QJsonDocument::fromJson(found).array().size(), 1);
    QVERIFY(!entryOnPort(found, nodeServer.port()).isEmpty());
    const QByteArray byFolder =
        runTidewell({u"--list"_s, u"--all"_s, u"--json"_s, u"postgres"_s, u"my project"_s}, backend).second;
    QCOMPARE(QJsonDocument::fromJson(byFolder).array().size(), 0);
}

// A sign-in redirect is followed to its page; a server that does not answer in time is still
// listed, marked as such. --json and --all alone mean --list.
void ListCommandTest::slowAndRedirectingServersAreListed()
{
    const QString node = findProgram(QStringLiteral("node"));
    if (node.isEmpty())
        QSKIP("node is not installed");
    const QString redirecting = QStringLiteral(
        "require('http').createServer((q, r) => { if (q.url === '/') { r.writeHead(302, {Location: "
        "'/login'});"
        " return r.end(); } r.setHeader('Content-Type', 'text/html'); r.end('<title>Sign in</title>'); })"
        ".listen(0, '127.0.0.1', function () { console.log('ready ' + this.address().port); })");
    ChildProcess signIn(node, {QStringLiteral("-e"), redirecting}, QDir::tempPath());
    auto silent = startListener({QStringLiteral("--mode"), QStringLiteral("silent")});
    QVERIFY(signIn.waitUntilReady() && silent->waitUntilReady());

    const auto [exitCode, listed] =
        runTidewell({QStringLiteral("--json"), QStringLiteral("--timeout"), QStringLiteral("1")});
    QCOMPARE(exitCode, 0);
    QCOMPARE(member(entryOnPort(listed, signIn.port()), QStringLiteral("htmlData/title")),
             QStringLiteral("Sign in"));
    const QJsonObject unanswered = entryOnPort(listed, silent->port());
    QCOMPARE(unanswered.value(QStringLiteral("answered")), QJsonValue(false));
    QVERIFY(!unanswered.contains(QStringLiteral("htmlData")));

    const QByteArray table =
        runTidewell({QStringLiteral("--all"), QStringLiteral("--timeout"), QStringLiteral("1")}).second;
    const QByteArray port = QByteArray::number(silent->port());
    const QList<QByteArray> lines = table.split('\n');
    const auto line = std::find_if(lines.cbegin(), lines.cend(),
                                   [&](const QByteArray& l) { return l.startsWith(port + ' '); });
    QVERIFY2(line != lines.cend() && line->contains("no answer"), table);
}

void ListCommandTest::deployments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("storedTeam");
    QTest::addColumn<QByteArray>("token");
    QTest::addColumn<QByteArray>("projectsReply");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArrayList>("printed");
    QTest::addColumn<QByteArray>("projectsTarget");
    const QByteArray projects = R"({"projects":[
        {"id":"p1","name":"shop","framework":null,"latestDeployments":[{"id":"d1","readyState":"READY",
         "readyAt":1600000000000,"meta":{"githubCommitAuthorName":"ann","githubCommitMessage":"Fix cart"}}]},
        {"id":"p2","name":"docs","latestDeployments":[{"id":"d2","readyState":"BUILDING","meta":{}}]}]})";
    const QByteArray auth = R"({"token":")" + kToken + R"("})";
    QTest::newRow("table")
        << QStringList() << QByteArray() << auth << projects << 0
        << QByteArrayList{"PROJECT  STATE     DEPLOYED",
                          "COMMIT",
                          "DASHBOARD",
                          "shop     READY     ",
                          " years ago  ann: Fix cart  https://dash.example/ann/shop/deployments",
                          "docs     BUILDING                              "
                          "https://dash.example/ann/docs/deployments"}
        << QByteArray("/v9/projects?limit=4");
    QTest::newRow("json, team by slug")
        << QStringList{QStringLiteral("--json"), QStringLiteral("--team"), QStringLiteral("r-d")}
        << QByteArray() << auth << projects << 0
        << QByteArrayList{R"("dashboardUrl": "https://dash.example/r-d/shop/deployments")",
                          R"("githubCommitMessage": "Fix cart")", R"("readyState": "BUILDING")"}
        << QByteArray("/v9/projects?limit=4&teamId=team_1");
    QTest::newRow("stored team") << QStringList() << QByteArray("team_1") << auth << projects << 0
                                 << QByteArrayList{"https://dash.example/r-d/docs/deployments"}
                                 << QByteArray("/v9/projects?limit=4&teamId=team_1");
    QTest::newRow("refused token")
        << QStringList() << QByteArray() << auth
        << QByteArray(R"({"error":{"code":"forbidden","message":"Not authorized"}})") << 1
        << QByteArrayList{"Failed to fetch, please check your network.\nMissing member \"projects\""}
        << QByteArray("/v9/projects?limit=4");
    QTest::newRow("no token") << QStringList() << QByteArray() << QByteArray() << projects << 2
                              << QByteArrayList{"setup with `vercel login` in your command line"}
                              << QByteArray();
}

void ListCommandTest::deployments()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, storedTeam);
    QFETCH(QByteArray, token);
    QFETCH(QByteArray, projectsReply);
    QFETCH(QByteArrayList, printed);
    QFETCH(QByteArray, projectsTarget);
    QTemporaryDir home;
    if (!token.isEmpty())
        writeFile(home.filePath(QStringLiteral("data/com.vercel.cli/auth.json")), token);
    if (!storedTeam.isEmpty())
        writeFile(home.filePath(QStringLiteral("config/orvane.com/Tidewell.conf")),
                  "[General]\nselected_vercel_team=" + storedTeam + "\n");
    StubHttpServer server;
    server.setReply("/v2/user", StubHttpServer::Reply::with(R"({"user":{"username":"ann"}})"));
    server.setReply("/v2/teams",
                    StubHttpServer::Reply::with(R"({"teams":[{"id":"team_1","name":"R&D","slug":"r-d"}]})"));
    server.setReply("/v9/projects", StubHttpServer::Reply::with(projectsReply));

    const Run run = runDeployments(arguments, home, server.origin());
    QTEST(run.exitCode, "exitCode");
    const QByteArray all = run.out + run.err;
    for (const QByteArray& text : printed)
        QVERIFY2(all.contains(text), all.constData());
    QVERIFY2(!all.contains(kToken), all.constData());
    QCOMPARE(run.out.isEmpty(), run.exitCode != 0);
    QByteArray target;
    for (const StubHttpServer::Request& request : server.requests()) {
        if (request.target.startsWith("/v9/"))
            target = request.target;
    }
    QCOMPARE(target, projectsTarget);
}

// A long or hostile title neither widens, breaks nor reorders the table; the JSON keeps it whole.
void ListCommandTest::tableCutsAndCleansOutsideText_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("shown");
    QTest::newRow("10 kB") << QString(10000, u'T') << QString(59, u'T') + u"\u2026"_s;
    QTest::newRow("bidi, separators, C1") << u"a\u202Eb\u2066c\u2069\u2028d\u2029e\u0085f"_s << u"abcde f"_s;
}

void ListCommandTest::tableCutsAndCleansOutsideText()
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

void ListCommandTest::commandLineMapsNoWidgets_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("version") << QStringList{u"--version"_s};
    QTest::newRow("help") << QStringList{u"--help"_s};
    QTest::newRow("list") << QStringList{u"--list"_s, u"--timeout"_s, u"1"_s};
    QTest::newRow("check-update") << QStringList{u"--check-update"_s};
    QTest::newRow("deployments") << QStringList{u"--deployments"_s};
}

// The command-line paths start on Qt Core alone: the dynamic loader's own account of every object it
// maps names no widget or GUI library, no platform plugin and not the window part.
void ListCommandTest::commandLineMapsNoWidgets()
{
    if (QSysInfo::kernelType() != u"linux"_s)
        QSKIP("LD_DEBUG is the GNU loader's");
    QFETCH(QStringList, arguments);
    QTemporaryDir home;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"LD_DEBUG"_s, u"files"_s);
    environment.insert(u"XDG_DATA_HOME"_s, home.path()); // no Vercel token: --deployments ends at once
    environment.insert(u"XDG_CONFIG_HOME"_s, home.path());
    environment.insert(u"TIDEWELL_UPDATE_URL"_s, u"http://127.0.0.1:9/"_s);
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(TIDEWELL_PROGRAM), arguments);
    QVERIFY(process.waitForFinished(30000));
    static const QRegularExpression mapped(u"file=(\\S+) \\[\\d+\\];  generating link map"_s);
    QStringList libraries;
    for (auto match = mapped.globalMatch(QString::fromLocal8Bit(process.readAllStandardError()));
         match.hasNext();)
        libraries.append(match.next().captured(1));
    const QString all = libraries.join(u'\n');
    QVERIFY2(all.contains(u"libQt6Core"_s), qPrintable(all));
    for (const QString& unwanted :
         {u"libQt6Gui"_s, u"libQt6Widgets"_s, u"libQt6Svg"_s, u"/platforms/"_s, u"tidewell-window"_s})
        QVERIFY2(!all.contains(unwanted), qPrintable(all));
}

// A program copied away from its window part says why no window opens, and fails.
void ListCommandTest::windowWithoutItsModuleSaysSo()
{
    QTemporaryDir dir;
    const QString copy = dir.filePath(u"tidewell"_s);
    QVERIFY(QFile::copy(QStringLiteral(TIDEWELL_PROGRAM), copy));
    QProcess process;
    process.start(copy, QStringList());
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitCode(), 1);
    QVERIFY(process.readAllStandardOutput().startsWith("Failed to load the window: "));
}

QTEST_GUILESS_MAIN(ListCommandTest)
#include "tst_listcommand.moc"
