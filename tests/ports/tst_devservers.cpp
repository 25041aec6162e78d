#include "platform/linux/KernelSocketListingSource.h"
#include "support/TestProcesses.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScopeGuard>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

using namespace tidewell;
using namespace tidewell::test;
using namespace Qt::StringLiterals;

namespace {

// A port no one listens on now: the servers below take theirs as an argument, as real tools do.
int freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

bool listens(int port)
{
    const QString suffix = u":"_s + QString::number(port);
    const auto names = KernelSocketListingSource::listeningNamesFromProcNet();
    return std::any_of(names.cbegin(), names.cend(),
                       [&](const QString& name) { return name.endsWith(suffix); });
}

// The rows of `tidewell --list --json` with `options`, run with the soft descriptor limit desktops give
// (1,024); none when it fails.
QJsonArray listByProgram(const QString& options)
{
    const ProgramRun run = runProgram(u"/bin/bash"_s,
                                      {u"-c"_s, u"ulimit -Sn 1024 && exec \"$0\" --list --json "_s + options,
                                       QStringLiteral(TIDEWELL_PROGRAM)},
                                      {}, 300'000);
    return run.exitCode == 0 ? QJsonDocument::fromJson(run.out).array() : QJsonArray();
}

// Of `rows`, those whose `field` reads `value`.
QList<QJsonObject> rowsWhere(const QJsonArray& rows, const QString& field, const QString& value)
{
    QList<QJsonObject> found;
    for (const QJsonValue& row : rows) {
        if (row[field].toString() == value)
            found.append(row.toObject());
    }
    return found;
}

// The servers below, in `folder`: a compiled one under the names it is started as, a #! script that
// pip would install (its "/" sends the browser on twice before the page), and a Flask app.
void prepare(const QString& folder)
{
    for (const QString& name : {u"devserver"_s, u"daemon-server"_s, u"redis-server"_s})
        QFile::copy(QStringLiteral(TIDEWELL_TINY_SERVER), folder + u'/' + name);
    writeFile(folder + u"/jupyter-notebook"_s, R"(#!/usr/bin/python3
import http.server, sys
class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        hop = {"/": "/tree", "/tree": "/tree/"}.get(self.path)
        self.send_response(302 if hop else 200)
        self.send_header("Location" if hop else "Content-Type", hop or "text/html")
        self.end_headers()
        if not hop:
            self.wfile.write(b"<html><head><title>Home Page</title></head></html>")
http.server.HTTPServer(("127.0.0.1", int(sys.argv[1])), Handler).serve_forever()
)");
    for (const QString& name : QDir(folder).entryList(QDir::Files))
        QFile::setPermissions(folder + u'/' + name, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    writeFile(folder + u"/app.py"_s, R"(from flask import Flask
app = Flask(__name__)
@app.route("/")
def index():
    return "<html><head><title>Flask Page</title></head></html>"
)");
}

} // namespace

// The servers developers run, started as they start them, found (or left alone) by `tidewell --list`.
class DevServersTest : public QObject
{
    Q_OBJECT
private slots:
    void serversAreFoundAsTheyRun_data()
    {
        QTest::addColumn<QString>("typed"); // "%1" is the port
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("title"); // empty: no server, never asked
        QTest::addColumn<QString>("command");
        QTest::newRow("#! script by its own name, redirected twice")
            << u"./jupyter-notebook %1"_s << u"jupyter-noteboo"_s << u"Home Page"_s
            << u"./jupyter-notebook"_s;
        QTest::newRow("compiled binary typed into a shell")
            << u"./devserver %1 'Compiled Page'"_s << u"devserver"_s << u"Compiled Page"_s
            << u"./devserver"_s;
        QTest::newRow("flask with its reloader")
            << u"FLASK_APP=app FLASK_DEBUG=1 /usr/bin/flask run --port %1"_s << u"flask"_s << u"Flask Page"_s
            << u"flask run"_s;
        // A new session whose starter ends at once: its parent is then the system's first process.
        QTest::newRow("daemon with no shell above")
            << u"setsid -f ./daemon-server %1 Daemon > server.log 2>&1"_s << u"daemon-server"_s << QString()
            << QString();
        QTest::newRow("redis typed into a shell")
            << u"./redis-server %1 Redis > server.log 2>&1"_s << u"redis-server"_s << QString() << QString();
    }

    void serversAreFoundAsTheyRun()
    {
        QFETCH(QString, typed);
        QFETCH(QString, name);
        QFETCH(QString, title);
        QFETCH(QString, command);
        if (name == u"flask"_s)
            QVERIFY2(QFile::exists(u"/usr/bin/flask"_s),
                     "python3-flask is installed by scripts/install-deps.sh");
        QTemporaryDir dir;
        const QString folder = QDir(dir.path()).canonicalPath();
        prepare(folder);
        const int port = freePort();
        ChildProcess shell(u"/bin/bash"_s, {u"-c"_s, typed.arg(port) + u"; exit $?"_s}, folder);
        // The daemon left the shell's process group; it is found by its port and name, and ended here.
        qint64 daemon = 0;
        const auto endDaemon = qScopeGuard([&] {
            if (daemon > 0)
                ::kill(pid_t(daemon), SIGTERM);
        });
        QTRY_VERIFY_WITH_TIMEOUT(listens(port), 60'000);
        if (name == u"flask"_s) // the reloader's child holds the same socket once it has started
            QTRY_VERIFY_WITH_TIMEOUT(
                [&] {
                    const QList<qint64> flask = childPids(shell.pid());
                    return !flask.isEmpty() && !childPids(flask.first()).isEmpty();
                }(),
                60'000);

        // Every server here answers: a loaded machine may take longer than the default limit (tst_cli's).
        const QList<QJsonObject> all =
            rowsWhere(listByProgram(u"--all --timeout 30"_s), u"port"_s, QString::number(port));
        QCOMPARE(all.size(), 1);
        const QJsonObject& row = all.first();
        QCOMPARE(row[u"processName"_s].toString(), name);
        if (name == u"daemon-server"_s)
            daemon = row[u"pid"_s].toString().toLongLong();
        if (title.isEmpty()) {
            // Listed under its name with no origin; it was sent not a single byte, nor even connected to.
            QCOMPARE(row[u"htmlData"_s][u"title"_s].toString(), name);
            QVERIFY(!row.contains(u"processInfo"_s));
            QCOMPARE(fileContent(folder + u"/server.log"_s), QByteArray());
            return;
        }
        QCOMPARE(row[u"htmlData"_s][u"title"_s].toString(), title);
        QCOMPARE(row[u"processInfo"_s][u"cwd"_s].toString(), folder);
        const QString cmd = row[u"processInfo"_s][u"cmd"_s].toString();
        QVERIFY2(cmd.contains(command), qPrintable(cmd));
    }

    // A process holding 5,000 ports beside an ordinary server: the server is listed with its page, and so
    // is every port of the process.
    void serverBesideThousandsOfPortsIsListed()
    {
        constexpr int kPorts = 5000;
        auto crowd = startListener({u"--name"_s, u"node"_s, u"--extra-ports"_s, QString::number(kPorts)});
        auto server = startListener({u"--name"_s, u"node"_s, u"--title"_s, u"Beside"_s});
        QVERIFY(crowd->waitUntilReady() && server->waitUntilReady());
        // Thousands of pages asked at once may take a loaded machine minutes; that limit is not looked at
        // here.
        const QJsonArray rows = listByProgram(u"--timeout 240"_s);
        const QList<QJsonObject> beside = rowsWhere(rows, u"pid"_s, QString::number(server->pid()));
        QCOMPARE(beside.size(), 1);
        QCOMPARE(beside.first()[u"htmlData"_s][u"title"_s].toString(), u"Beside"_s);
        QCOMPARE(rowsWhere(rows, u"pid"_s, QString::number(crowd->pid())).size(), kPorts + 1);
    }
};

QTEST_GUILESS_MAIN(DevServersTest)
#include "tst_devservers.moc"
