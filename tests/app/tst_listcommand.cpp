#include "app/PortTableFormatter.h"
#include "platform/ShellQuoting.h"
#include "support/TestProcesses.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace tidewell;
using namespace tidewell::test;

namespace {

struct Run
{
    int exitCode = -1;
    QByteArray out;
};

Run runTidewell(const QStringList& arguments, const QByteArray& backend = "native")
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TIDEWELL_BACKEND"), QString::fromLatin1(backend));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral(TIDEWELL_PROGRAM), arguments);
    if (!process.waitForFinished(30000))
        return {};
    return {process.exitCode(), process.readAllStandardOutput()};
}

QJsonObject entryOnPort(const QJsonArray& entries, int port)
{
    for (const QJsonValue& value : entries) {
        if (value.toObject().value(QStringLiteral("port")).toString() == QString::number(port))
            return value.toObject();
    }
    return {};
}

} // namespace

class ListCommandTest : public QObject
{
    Q_OBJECT
private slots:
    void tableKeepsEveryEntryOnOneLine();
    void helpAndVersionExitCleanly_data();
    void helpAndVersionExitCleanly();
    void listsRealServersWithTheirOrigin_data();
    void listsRealServersWithTheirOrigin();
};

void ListCommandTest::tableKeepsEveryEntryOnOneLine()
{
    const PortData entry(
        QStringLiteral("python3"), QStringLiteral("8000"), QStringLiteral("42"),
        HTMLData{QStringLiteral("\n  My\tApp\n"), AppType::react, std::nullopt, HttpScheme::http},
        ProcessInfo{QStringLiteral("/tmp/a b"), QStringLiteral("python3 -m http.server")});
    const QList<QByteArray> lines = PortTableFormatter::table({entry}).split('\n');
    QCOMPARE(lines.size(), 3); // header, the entry, and the empty text after the last line feed
    QVERIFY(lines[0].startsWith("PORT  PID"));
    QVERIFY(lines[1].contains("My App") && lines[1].contains("react") && lines[1].contains("/tmp/a b"));
    QVERIFY(lines[1].endsWith("python3 -m http.server"));
    // Columns line up: the title starts where its header does.
    QCOMPARE(lines[1].indexOf("My"), lines[0].indexOf("TITLE") + 3);
}

void ListCommandTest::helpAndVersionExitCleanly_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("help") << QStringLiteral("--help") << QByteArray("--list");
    QTest::newRow("version") << QStringLiteral("--version") << QByteArray("Tidewell ");
}

void ListCommandTest::helpAndVersionExitCleanly()
{
    QFETCH(QString, option);
    QFETCH(QByteArray, expected);
    const Run run = runTidewell({option});
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.out.contains(expected), run.out);
    QCOMPARE(runTidewell({QStringLiteral("--no-such-option")}).exitCode, 2);
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
    const bool haveShellTools =
        QFile::exists(QStringLiteral("/bin/zsh")) && !findProgram(QStringLiteral("lsof")).isEmpty();
    if (backend == "commands" && !haveShellTools)
        QSKIP("zsh or lsof is not installed: the command backend cannot run here");
    const QString node = findProgram(QStringLiteral("node"));
    if (node.isEmpty())
        QSKIP("node is not installed");

    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("my project"));
    QVERIFY(QDir().mkpath(folder));
    auto python = startListenerFromShell({QStringLiteral("--title"), QStringLiteral("Python Docs"),
                                          QStringLiteral("--body"),
                                          QStringLiteral("<script src=\"/@react-refresh\"></script>")},
                                         folder);
    const QString nodeScript = QStringLiteral(
        "require('http').createServer((q, r) => { r.setHeader('Content-Type', 'text/html');"
        " r.end('<title>Node Shop</title><script src=\"/_next/static/app.js\"></script>'); })"
        ".listen(0, '127.0.0.1', function () { console.log('ready ' + this.address().port); })");
    ChildProcess nodeServer(QStringLiteral("/bin/bash"),
                            {QStringLiteral("-c"), shellQuoted(node) + QStringLiteral(" -e ") +
                                                       shellQuoted(nodeScript) + QStringLiteral("; exit $?")},
                            folder);
    auto json = startListener({QStringLiteral("--mode"), QStringLiteral("json")});
    auto database = startListener({QStringLiteral("--name"), QStringLiteral("postgres")});
    QVERIFY(python->waitUntilReady() && nodeServer.waitUntilReady() && json->waitUntilReady() &&
            database->waitUntilReady());

    const Run listed = runTidewell({QStringLiteral("--list"), QStringLiteral("--json")}, backend);
    QCOMPARE(listed.exitCode, 0);
    QJsonParseError error;
    const QJsonArray entries = QJsonDocument::fromJson(listed.out, &error).array();
    QVERIFY2(error.error == QJsonParseError::NoError, listed.out);

    const QString expectedFolder = backend == "native" ? folder : dir.filePath(QStringLiteral("my project"));
    const QJsonObject py = entryOnPort(entries, python->port());
    QCOMPARE(py.value(QStringLiteral("processName")).toString(), QStringLiteral("python3"));
    QCOMPARE(py[QStringLiteral("htmlData")][QStringLiteral("title")].toString(),
             QStringLiteral("Python Docs"));
    QCOMPARE(py[QStringLiteral("htmlData")][QStringLiteral("appType")].toString(), QStringLiteral("react"));
    QCOMPARE(py[QStringLiteral("processInfo")][QStringLiteral("cwd")].toString(), expectedFolder);
    QVERIFY(py[QStringLiteral("processInfo")][QStringLiteral("cmd")].toString().contains(
        QStringLiteral("listener.py")));

    const QJsonObject js = entryOnPort(entries, nodeServer.port());
    QCOMPARE(js.value(QStringLiteral("processName")).toString(), QStringLiteral("node"));
    QCOMPARE(js[QStringLiteral("htmlData")][QStringLiteral("title")].toString(), QStringLiteral("Node Shop"));
    QCOMPARE(js[QStringLiteral("htmlData")][QStringLiteral("appType")].toString(), QStringLiteral("nextjs"));
    QCOMPARE(js[QStringLiteral("processInfo")][QStringLiteral("cwd")].toString(), expectedFolder);
    QVERIFY(js[QStringLiteral("processInfo")][QStringLiteral("cmd")].toString().startsWith(
        node + QStringLiteral(" -e")));

    QVERIFY2(entryOnPort(entries, json->port()).isEmpty(), "a server that answers JSON is no page");
    QVERIFY(entryOnPort(entries, database->port()).isEmpty());

    const Run all =
        runTidewell({QStringLiteral("--list"), QStringLiteral("--all"), QStringLiteral("--json")}, backend);
    const QJsonArray everything = QJsonDocument::fromJson(all.out).array();
    const QJsonObject db = entryOnPort(everything, database->port());
    QCOMPARE(db.value(QStringLiteral("processName")).toString(), QStringLiteral("postgres"));
    QCOMPARE(db[QStringLiteral("htmlData")][QStringLiteral("title")].toString(), QStringLiteral("postgres"));
    QVERIFY(!db.contains(QStringLiteral("processInfo")));

    const Run table = runTidewell({QStringLiteral("--list")}, backend);
    QCOMPARE(table.exitCode, 0);
    QVERIFY2(QRegularExpression(QStringLiteral("^PORT +PID +PROCESS +TITLE"))
                 .match(QString::fromUtf8(table.out))
                 .hasMatch(),
             table.out);
    QVERIFY(table.out.contains("Node Shop") && table.out.contains("Python Docs"));
    QVERIFY(!table.out.contains("postgres"));
}

QTEST_GUILESS_MAIN(ListCommandTest)
#include "tst_listcommand.moc"
