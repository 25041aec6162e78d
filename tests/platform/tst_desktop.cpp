#include "platform/Desktop.h"
#include "platform/LoginItemService.h"
#include "platform/ProcessSystemTools.h"
#include "platform/commands/MacDesktop.h"
#include "platform/commands/ShellQuoting.h"
#include "platform/linux/LinuxDesktop.h"
#include "platform/linux/LinuxProcessTable.h"
#include "platform/linux/XdgAutostartLoginItem.h"
#include "platform/macos/BundleLauncher.h"
#include "platform/macos/LaunchAgentLoginItem.h"
#include "support/LogCapture.h"
#include "support/RecordingSystemTools.h"
#include "support/TestProcesses.h"
#include "support/VirtualDisplay.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

using namespace tidewell;
using namespace tidewell::test;
using namespace Qt::StringLiterals;

using Call = RecordingSystemTools::Call;

namespace {

// A shell script at `path` that runs `line`; its path.
QString writeScript(const QString& path, const QByteArray& line)
{
    writeFile(path, "#!/bin/sh\n" + line + '\n');
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

// A stand-in helper that leaves a mark beside itself when it runs.
QString makeHelper(const QString& folder, const QString& name)
{
    return writeScript(QDir(folder).filePath(name), ": > \"$0.ran\"");
}

// A folder of stand-in programs that do nothing, to stand for what is installed.
class FakePrograms
{
public:
    QString path() const { return m_dir.path(); }
    // `name` may hold a subfolder ("extra/kitty"), which is not on the lookup's PATH.
    void add(const QString& name) { writeScript(m_dir.filePath(name), "exit 0"); }
    ProgramLookup lookup(const QString& terminal = {}, const QString& shell = u"/bin/bash"_s) const
    {
        QProcessEnvironment environment;
        environment.insert(u"PATH"_s, m_dir.path());
        environment.insert(u"TERMINAL"_s, terminal);
        environment.insert(u"SHELL"_s, shell);
        return ProgramLookup(environment);
    }

private:
    QTemporaryDir m_dir;
};

QString str(const char* text)
{
    return QString::fromUtf8(text);
}

QStringList strs(std::initializer_list<const char*> texts)
{
    QStringList list;
    for (const char* text : texts)
        list.append(str(text));
    return list;
}

// Reads the AppleScript string literal of the script's second line back into its text.
QString shellLineOfScript(const QString& script)
{
    QString line = script.split(u'\n').value(1);
    const QString head = u"    do script \""_s;
    if (!line.startsWith(head) || !line.endsWith(u'"'))
        return {};
    line = line.mid(head.size(), line.size() - head.size() - 1);
    QString text;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == u'\\' && i + 1 < line.size())
            ++i;
        else if (line[i] == u'"')
            return {}; // an unescaped quote would end the literal early
        text += line[i];
    }
    return text;
}

// Performs the action; what it gives up with is added to `failures`.
void perform(Desktop& desktop, const QString& action, const QString& text, QStringList& failures)
{
    const Desktop::Failure failed = [&failures](const QString& reason) { failures.append(reason); };
    if (action == "url"_L1)
        desktop.openUrl(QUrl(text), failed);
    else if (action == "folder"_L1)
        desktop.openFolder(text, failed);
    else if (action == "run"_L1)
        desktop.runInNewTerminal(text, u"npm run dev"_s, failed);
    else
        desktop.openWithApplication(action, text, failed);
}

} // namespace

class DesktopTest : public QObject
{
    Q_OBJECT
private slots:
    void startsTheRightProgram_data()
    {
        QTest::addColumn<bool>("mac");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("program"); // on Linux among the stand-in programs; empty when none starts
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("failure"); // when nothing is installed
        const auto row = [](const char* name, bool mac, const char* action, const char* text,
                            const char* program, const QStringList& arguments, const char* failure = "") {
            QTest::newRow(name) << mac << str(action) << str(text) << str(program) << arguments
                                << str(failure);
        };
        row("mac mail with subject", true, "url", "mailto:help@example.com?subject=Tidewell feedback",
            "/usr/bin/open", strs({"mailto:help@example.com?subject=Tidewell%20feedback"}));
        row("mac folder", true, "folder", "/Users/me/my app", "/usr/bin/open",
            strs({"file:///Users/me/my%20app"}));
        row("mac editor", true, "Visual Studio Code", "/Users/me/my app", "/usr/bin/open",
            strs({"-a", "Visual Studio Code", "/Users/me/my app"}));
        // A plain folder keeps the script Terminal has always been sent; quoted ones are run on real
        // shells below.
        row("mac run", true, "run", "/Users/me/café-2_v1.0", "/usr/bin/osascript",
            strs({"-e",
                  "tell application \"Terminal\"\n    do script \"cd /Users/me/café-2_v1.0 && npm run dev\"\n"
                  "    activate\nend tell"}));
        row("linux page", false, "url", "http://localhost:5173", "xdg-open", strs({"http://localhost:5173"}));
        row("linux folder", false, "folder", "/home/me/my app", "xdg-open",
            strs({"file:///home/me/my%20app"}));
        row("Visual Studio Code", false, "Visual Studio Code", "/home/me/my app", "code",
            strs({"/home/me/my app"}));
        row("Cursor", false, "Cursor", "/home/me/my app", "cursor", strs({"/home/me/my app"}));
        row("no editor", false, "Visual Studio Code", "/a", "", {}, "Visual Studio Code (code not found)");
        row("unknown application", false, "Xcode", "/a", "", {}, "Xcode (unknown application)");
        row("no terminal to open", false, "Terminal", "/a", "", {}, "Terminal (no terminal emulator found)");
        row("no terminal to run in", false, "run", "/a", "", {}, "Terminal (no terminal emulator found)");
        row("no opener", false, "url", "http://localhost:3000", "", {}, "xdg-open (xdg-open not found)");
    }

    void startsTheRightProgram()
    {
        QFETCH(bool, mac);
        QFETCH(QString, action);
        QFETCH(QString, text);
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(QString, failure);
        FakePrograms programs;
        for (const char* name : {"xdg-open", "code", "cursor", "xterm"}) {
            if (failure.isEmpty())
                programs.add(str(name));
        }
        auto tools = std::make_shared<RecordingSystemTools>();
        MacDesktop macDesktop(tools);
        LinuxDesktop linuxDesktop(tools, programs.lookup());
        LogCapture output;
        QStringList failures;
        perform(mac ? static_cast<Desktop&>(macDesktop) : linuxDesktop, action, text, failures);
        // The editors offered are those on PATH, in the menu's order.
        QCOMPARE(linuxDesktop.installedEditors(),
                 failure.isEmpty() ? strs({"Visual Studio Code", "Cursor"}) : QStringList());
        QCOMPARE(output.lines(), failure.isEmpty()
                                     ? QStringList()
                                     : QStringList{u"Failed to launch application: "_s + failure});
        // The window is given the reason, the part in brackets.
        QCOMPARE(failures,
                 failure.isEmpty() ? QStringList() : QStringList{failure.section(u'(', 1).chopped(1)});
        const QList<Call> calls = tools->calls();
        QCOMPARE(calls.size(), program.isEmpty() ? 0 : 1);
        if (program.isEmpty())
            return;
        QCOMPARE(calls[0].kind, Call::Kind::detached);
        QCOMPARE(calls[0].program, mac ? program : programs.path() + u'/' + program);
        QCOMPARE(calls[0].arguments, arguments);
    }

    // A real opener that gives up at once (no browser, no file manager) is a failure, with what it
    // said; one that goes on, or ends well, is not.
    void openerThatGivesUpIsAFailure_data()
    {
        QTest::addColumn<QByteArray>("opener");
        QTest::addColumn<QString>("failure");
        QTest::newRow("no method")
            << QByteArray("echo \"xdg-open: no method available for opening '$1'\" >&2; exit 3")
            << u"xdg-open: no method available for opening 'http://localhost:3000'"_s;
        QTest::newRow("silent failure") << QByteArray("exit 4") << u"ended with status 4"_s;
        QTest::newRow("opened") << QByteArray("echo opened >&2; exit 0") << QString();
    }

    void openerThatGivesUpIsAFailure()
    {
        QFETCH(QByteArray, opener);
        QFETCH(QString, failure);
        FakePrograms programs;
        // The stand-in leaves a mark when it ends, so the test knows the watch has seen it end.
        writeScript(programs.path() + u"/xdg-open"_s, "trap ': > \"$0.ended\"' EXIT; " + opener);
        LinuxDesktop desktop(std::make_shared<ProcessSystemTools>(), programs.lookup());
        QStringList failures;
        LogCapture output;
        perform(desktop, u"url"_s, u"http://localhost:3000"_s, failures);
        QTRY_VERIFY(QFile::exists(programs.path() + u"/xdg-open.ended"_s));
        QTRY_COMPARE(failures.size(), failure.isEmpty() ? 0 : 1);
        if (!failure.isEmpty())
            QVERIFY2(failures.first().endsWith(failure), qPrintable(failures.first()));
        QCOMPARE(output.lines().size(), failures.size());
    }

    // A downloaded file goes to its opener only where the desktop has a real one for its type.
    void fileHasARealOpener_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>(
            "xdgMime"); // what `xdg-mime query default` prints; empty: none installed
        QTest::addColumn<bool>("opener");
        QTest::newRow("an image with a viewer")
            << u"Tidewell.png"_s << QByteArray("echo viewer.desktop") << true;
        QTest::newRow("a type without a default") << u"Tidewell.png"_s << QByteArray("exit 0") << false;
        QTest::newRow("plain bytes") << u"Tidewell.bin"_s << QByteArray("echo editor.desktop") << false;
        QTest::newRow("no xdg-mime to ask") << u"Tidewell.png"_s << QByteArray() << true;
    }

    void fileHasARealOpener()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, xdgMime);
        FakePrograms programs;
        if (!xdgMime.isEmpty())
            writeScript(programs.path() + u"/xdg-mime"_s, "[ \"$1 $2\" = 'query default' ] && " + xdgMime);
        const QString path = programs.path() + u"/downloads/"_s + file;
        QVERIFY(writeFile(path, file.endsWith(u".png"_s) ? QByteArray("\x89PNG\r\n\x1a\n")
                                                         : QByteArray("\x01\x02")));
        QTEST(LinuxDesktop(std::make_shared<ProcessSystemTools>(), programs.lookup()).hasOpenerFor(path),
              "opener");
    }

    void macShellLineReachesTheFolder_data()
    {
        QTest::addColumn<QString>("shell");
        QTest::addColumn<QString>("name");
        for (const char* shell : {"/bin/zsh", "/bin/bash"}) {
            for (const char* name :
                 {"plain", "my app", "it's", "a\"b", "back\\slash", "$(touch pwned)", "`touch x` *"})
                QTest::addRow("%s %s", shell, name) << QString::fromLatin1(shell) << QString::fromUtf8(name);
        }
    }

    // Runs the shell line the way Terminal would, in the shell macOS users have, on real folders.
    void macShellLineReachesTheFolder()
    {
        QFETCH(QString, shell);
        QFETCH(QString, name);
        if (!QFile::exists(shell))
            QSKIP("shell not installed");
        QTemporaryDir base;
        const QString folder = base.filePath(name);
        QVERIFY(QDir().mkpath(folder));
        const QString line = shellLineOfScript(MacDesktop::terminalScript(folder, u"pwd > marker"_s));
        ChildProcess run(shell, {u"-c"_s, line}, base.path());
        QVERIFY(run.process().waitForFinished(60000));
        QCOMPARE(fileContent(folder + u"/marker"_s), folder.toUtf8() + '\n');
        QCOMPARE(QDir(base.path()).entryList(QDir::Files), QStringList());
    }

    void linuxPicksTheTerminal_data()
    {
        QTest::addColumn<QStringList>("installed");
        QTest::addColumn<QString>("terminalVariable");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QStringList>("folderArguments");
        QTest::addColumn<QStringList>("runPrefix");
        QTest::addColumn<QString>("shell");       // $SHELL
        QTest::addColumn<QString>("scriptShell"); // the shell that runs the command in the window
        const auto row = [](const char* name, const QStringList& installed, const char* terminal,
                            const char* chosen, const QStringList& folderArguments,
                            const QStringList& runPrefix, const char* shell = "/bin/bash",
                            const char* scriptShell = "/bin/bash") {
            QTest::newRow(name) << installed << str(terminal) << str(chosen) << folderArguments << runPrefix
                                << str(shell) << str(scriptShell);
        };
        const QStringList all = strs({"xterm", "alacritty", "kitty", "xfce4-terminal", "konsole",
                                      "gnome-terminal", "x-terminal-emulator"});
        const QStringList dashE = strs({"-e"});
        row("xterm only, $SHELL unset", all.mid(0, 1), "", "xterm", {}, dashE, "");
        row("x-terminal-emulator first", all, "", "x-terminal-emulator", {}, dashE);
        row("gnome-terminal", all.mid(0, 6), "", "gnome-terminal", strs({"--working-directory=FOLDER"}),
            strs({"--"}));
        row("konsole, dash by name", all.mid(0, 5), "", "konsole", strs({"--workdir", "FOLDER"}), dashE,
            "dash", "DIR/dash");
        row("xfce4-terminal, missing $SHELL", all.mid(0, 4), "", "xfce4-terminal",
            strs({"--working-directory=FOLDER"}), strs({"-x"}), "/nonexistent/zsh");
        row("kitty, zsh by path", all.mid(0, 3), "", "kitty", strs({"--directory", "FOLDER"}), {}, "DIR/zsh",
            "DIR/zsh");
        row("alacritty, fish is not POSIX", all.mid(0, 2), "", "alacritty",
            strs({"--working-directory", "FOLDER"}), dashE, "DIR/fish");
        row("$TERMINAL by name first", all + strs({"myterm"}), "myterm", "myterm", {}, dashE);
        row("$TERMINAL by path off PATH, with its own conventions", strs({"xterm", "extra/kitty"}),
            "DIR/extra/kitty", "extra/kitty", strs({"--directory", "FOLDER"}), {});
        row("missing $TERMINAL falls back", strs({"konsole"}), "nosuchterm", "konsole",
            strs({"--workdir", "FOLDER"}), dashE);
    }

    void linuxPicksTheTerminal()
    {
        QFETCH(QStringList, installed);
        QFETCH(QString, terminalVariable);
        QFETCH(QString, chosen);
        QFETCH(QStringList, folderArguments);
        QFETCH(QStringList, runPrefix);
        QFETCH(QString, shell);
        QFETCH(QString, scriptShell);
        FakePrograms programs;
        for (const QString& name : installed + strs({"zsh", "dash", "fish"}))
            programs.add(name);
        for (QString* text : {&terminalVariable, &shell, &scriptShell})
            text->replace(u"DIR"_s, programs.path());
        const QString folder = u"/home/me/it's my app"_s;
        const QString command = u"npm run dev -- --port \"$PORT\""_s;
        auto tools = std::make_shared<RecordingSystemTools>();
        LinuxDesktop desktop(tools, programs.lookup(terminalVariable, shell));
        desktop.openWithApplication(u"Terminal"_s, folder);
        desktop.runInNewTerminal(folder, command);
        const QString program = programs.path() + u'/' + chosen;
        const QList<Call> calls = tools->calls();
        QCOMPARE(calls.size(), 2);
        QCOMPARE(calls[0].kind, Call::Kind::detached);
        QCOMPARE(calls[0].program, program);
        QCOMPARE(calls[0].arguments, folderArguments.replaceInStrings(u"FOLDER"_s, folder));
        QCOMPARE(calls[0].workingDirectory, folder);
        QCOMPARE(calls[1].program, program);
        const QStringList shellArguments{scriptShell,   u"-c"_s, LinuxDesktop::terminalScript(),
                                         u"tidewell"_s, folder,  command};
        QCOMPARE(calls[1].arguments, runPrefix + shellArguments);
        // The folder may be gone; the shell in the window reports that, not a failed start.
        QCOMPARE(calls[1].workingDirectory, QString());
    }

    // A real xterm runs the command in the folder (how it is started in a folder is checked above).
    void realTerminal_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("exists");
        QTest::newRow("quote and shell syntax") << u"it's $HOME \"$(touch pwned)\" `touch pwned` *"_s << true;
        // `cd` fails in the window and the command is skipped.
        QTest::newRow("folder gone") << u"gone away"_s << false;
    }

    void realTerminal()
    {
        QFETCH(QString, name);
        QFETCH(bool, exists);
        if (findProgram(u"Xvfb"_s).isEmpty() || findProgram(u"xterm"_s).isEmpty())
            QSKIP("Xvfb and xterm are needed");
        VirtualDisplay display;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"DISPLAY"_s, display.display());
        environment.insert(u"TERMINAL"_s, findProgram(u"xterm"_s));
        environment.insert(u"SHELL"_s, u"/bin/bash"_s);
        const auto tools = std::make_shared<RecordingSystemTools>();
        LinuxDesktop desktop(tools, ProgramLookup(environment));
        QTemporaryDir base;
        const QString folder = base.filePath(name);
        QVERIFY(!exists || QDir().mkpath(folder));
        const QString marker = base.filePath(u"marker"_s);
        const QString runs = base.filePath(u"runs"_s);
        // `$PWD` is for the window's shell to expand, once; '$HOME' must reach printf untouched, and
        // the second file counts how often the command ran.
        desktop.runInNewTerminal(folder, uR"(printf '%s|%s\n' "$PWD" '$HOME' > )"_s + shellQuoted(marker) +
                                             u"; echo run >> "_s + shellQuoted(runs));
        QCOMPARE(tools->calls().size(), 1);
        // The start it asked for, made here as a child the test ends with its process group.
        const Call start = tools->calls().first();
        ChildProcess terminal(start.program, start.arguments, start.workingDirectory, environment);
        // The window stays open on an interactive shell once the command is done. A loaded machine can
        // take many seconds to bring up a terminal under Xvfb: wait for it.
        const auto interactiveShell = [&] {
            const QList<qint64> children = childPids(terminal.pid());
            return std::any_of(children.begin(), children.end(), [](qint64 child) {
                const QStringList words = LinuxProcessTable::commandLine(child).split(u' ');
                return words.size() == 2 && words.last() == "-i"_L1;
            });
        };
        QTRY_VERIFY_WITH_TIMEOUT(interactiveShell(), 60000);
        QCOMPARE(fileContent(marker), exists ? folder.toUtf8() + "|$HOME\n" : QByteArray());
        QCOMPARE(fileContent(runs), exists ? QByteArray("run\n") : QByteArray());
        QVERIFY(!QFile::exists(folder + u"/pwned"_s));
    }

    void autostartEntry_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("helperFolder");
        QTest::addColumn<QString>("exec");
        // <dir> stands for the test's own folder. The helper lies beside the program in a build folder,
        // in libexec/tidewell once installed.
        QTest::newRow("spaces and shell characters")
            << u"my d$o\"l`l\\ar"_s << u"my d$o\"l`l\\ar"_s
            << u"\"<dir>/my d\\\\$o\\\\\"l\\\\`l\\\\\\\\ar/tidewell-helper\""_s;
        QTest::newRow("installed") << u"usr/bin"_s << u"usr/libexec/tidewell"_s
                                   << u"\"<dir>/usr/libexec/tidewell/tidewell-helper\""_s;
    }

    // Through the factory: the entry lands in $XDG_CONFIG_HOME/autostart, and the desktop's launcher runs it.
    void autostartEntry()
    {
        QFETCH(QString, folder);
        QFETCH(QString, helperFolder);
        QFETCH(QString, exec);
        QTemporaryDir dir;
        const QString programDir = dir.filePath(folder);
        QDir().mkpath(programDir);
        const QString helper = makeHelper(dir.filePath(helperFolder), u"tidewell-helper"_s);
        qputenv("XDG_CONFIG_HOME", dir.filePath(u"config"_s).toUtf8());
        const std::unique_ptr<LoginItemService> item = LoginItemService::create(programDir);
        const QString entry = dir.filePath(u"config/autostart/com.orvane.Tidewell-Helper.desktop"_s);
        QVERIFY(item->registerLoginItem());
        QCOMPARE(item->status(), LoginItemService::enabled);
        QCOMPARE(
            QString::fromUtf8(fileContent(entry)),
            u"[Desktop Entry]\nType=Application\nName=Tidewell\nComment=Starts Tidewell at login\nExec="_s +
                exec.replace(u"<dir>"_s, dir.path()) +
                u"\nIcon=tidewell\nTerminal=false\nX-GNOME-Autostart-enabled=true\n"_s);
        if (const QString gio = findProgram(u"gio"_s); !gio.isEmpty()) {
            QCOMPARE(QProcess::execute(gio, {u"launch"_s, entry}), 0);
            QTRY_VERIFY(QFile::exists(helper + u".ran"_s));
        } else {
            qWarning("gio is not installed: the entry's Exec line was not run");
        }
        QVERIFY(item->unregisterLoginItem());
        QVERIFY(!QFile::exists(entry));
        QVERIFY(item->unregisterLoginItem());
    }

    void autostartStatus_data()
    {
        QTest::addColumn<QByteArray>("entry");
        QTest::addColumn<bool>("helperThere");
        QTest::addColumn<int>("status");
        const QByteArray head = "[Desktop Entry]\nType=Application\nExec=tidewell-helper\n";
        QTest::newRow("no entry") << QByteArray() << true << 0;
        QTest::newRow("hidden by hand") << head + "Hidden=true\n" << true << 0;
        QTest::newRow("disabled in GNOME") << head + "X-GNOME-Autostart-enabled=false\n" << true << 0;
        QTest::newRow("hidden in an action") << head + "[Desktop Action x]\nHidden=true\n" << true << 1;
        QTest::newRow("helper missing") << head << false << 3;
        // Read through the reader of user files: never opened for a blocking read.
        QTest::newRow("a FIFO in its place") << QByteArray("fifo") << true << 0;
    }

    void autostartStatus()
    {
        QFETCH(QByteArray, entry);
        QFETCH(bool, helperThere);
        QTemporaryDir dir;
        const QString helper =
            helperThere ? makeHelper(dir.path(), u"tidewell-helper"_s) : dir.filePath(u"tidewell-helper"_s);
        XdgAutostartLoginItem item(dir.filePath(u"autostart"_s), helper);
        if (entry == "fifo")
            QVERIFY(QDir().mkpath(QFileInfo(item.entryPath()).path()) &&
                    ::mkfifo(QFile::encodeName(item.entryPath()).constData(), 0600) == 0);
        else
            QVERIFY(entry.isEmpty() || writeFile(item.entryPath(), entry));
        QTEST(item.status(), "status");
        // A missing helper is never registered, whatever the entry says.
        if (!helperThere) {
            QVERIFY(!item.registerLoginItem());
            QCOMPARE(fileContent(item.entryPath()), entry);
        }
    }

    void launchAgent()
    {
        QTemporaryDir dir;
        const QString helper = makeHelper(dir.filePath(u"R&D.app/Contents/MacOS"_s), u"Helper"_s);
        LaunchAgentLoginItem item(dir.filePath(u"LaunchAgents"_s), helper);
        QCOMPARE(item.status(), LoginItemService::notRegistered);
        QVERIFY(item.registerLoginItem());
        QCOMPARE(item.status(), LoginItemService::enabled);
        const QString path = dir.filePath(u"LaunchAgents/com.orvane.Tidewell-Helper.plist"_s);
        // launchd reads the property list, not its layout: Python's reader stands in for it.
        const QString read = u"import plistlib, sys; print(plistlib.load(open(sys.argv[1], 'rb')))"_s;
        QCOMPARE(runProgram(python3(), {u"-c"_s, read, path}).out,
                 "{'Label': 'com.orvane.Tidewell-Helper', 'ProgramArguments': ['" + dir.path().toUtf8() +
                     "/R&D.app/Contents/MacOS/Helper'], 'RunAtLoad': True}\n");
        // Switched off by hand, the agent reads as not registered.
        QVERIFY(writeFile(path,
                          fileContent(path).replace("</dict>", "\t<key>Disabled</key>\n\t<true/>\n</dict>")));
        QCOMPARE(item.status(), LoginItemService::notRegistered);
        QVERIFY(item.unregisterLoginItem());
        QVERIFY(!QFile::exists(path));
        QVERIFY(QFile::remove(helper));
        QCOMPARE(item.status(), LoginItemService::notFound);
        QCOMPARE(LaunchAgentLoginItem::helperInBundle(u"/Applications/Tidewell.app/Contents/MacOS"_s),
                 u"/Applications/Tidewell.app/Contents/Library/LoginItems/TidewellHelper.app/Contents/MacOS/"
                 "TidewellHelper"_s);
        // The helper finds the main bundle it lies in, wherever that was moved.
        const auto bundle = [](const QString& helperBundle) {
            const Result<QString> main = BundleLauncher::mainBundlePath(helperBundle);
            return main ? main.value() : main.error().contains(helperBundle) ? u"error"_s : QString();
        };
        QCOMPARE(bundle(u"/Applications/Tidewell.app/Contents/Library/LoginItems/TidewellHelper.app"_s),
                 u"/Applications/Tidewell.app"_s);
        QCOMPARE(bundle(u"/Users/me/Apps/Tidewell 2.app/Contents/Library/LoginItems/TidewellHelper.app/"_s),
                 u"/Users/me/Apps/Tidewell 2.app"_s);
        QCOMPARE(bundle(u"/opt/TidewellHelper.app"_s), u"error"_s);
    }
};

QTEST_GUILESS_MAIN(DesktopTest)
#include "tst_desktop.moc"
