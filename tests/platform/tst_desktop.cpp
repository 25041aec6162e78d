#include "platform/Desktop.h"
#include "platform/Host.h"
#include "platform/MacDesktop.h"
#include "platform/ProcessSystemTools.h"
#include "platform/ShellQuoting.h"
#include "platform/linux/LinuxDesktop.h"
#include "platform/linux/ProcFs.h"
#include "support/RecordingSystemTools.h"
#include "support/StandardOutputCapture.h"
#include "support/TestProcesses.h"
#include "support/VirtualDisplay.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <unistd.h>

using namespace tidewell;
using namespace tidewell::test;

using Call = RecordingSystemTools::Call;

namespace {

const QString kFolderMark = QStringLiteral("FOLDER");

// A folder of stand-in programs that do nothing, to stand for what is installed.
class FakePrograms
{
public:
    QString path() const { return m_dir.path(); }
    // `name` may hold a subfolder ("extra/kitty"), which is not on the lookup's PATH.
    QString add(const QString& name)
    {
        const QString file = m_dir.filePath(name);
        QDir().mkpath(QFileInfo(file).path());
        QFile program(file);
        program.open(QIODevice::WriteOnly);
        program.write("#!/bin/sh\nexit 0\n");
        program.close();
        program.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return file;
    }
    ProgramLookup lookup(const QString& terminal = {},
                         const QString& shell = QStringLiteral("/bin/bash")) const
    {
        QProcessEnvironment environment;
        environment.insert(QStringLiteral("PATH"), m_dir.path());
        if (!terminal.isEmpty())
            environment.insert(QStringLiteral("TERMINAL"), terminal);
        if (!shell.isEmpty())
            environment.insert(QStringLiteral("SHELL"), shell);
        return ProgramLookup(environment);
    }

private:
    QTemporaryDir m_dir;
};

QStringList withFolder(QStringList arguments, const QString& folder)
{
    for (QString& argument : arguments)
        argument.replace(kFolderMark, folder);
    return arguments;
}

QString macScript(const QString& shellLineBody)
{
    return QStringLiteral("tell application \"Terminal\"\n    do script \"") + shellLineBody +
           QStringLiteral("\"\n    activate\nend tell");
}

// Reads the AppleScript string literal of the script's second line back into its text.
QString shellLineOfScript(const QString& script)
{
    QString line = script.split(QLatin1Char('\n')).value(1);
    const QString head = QStringLiteral("    do script \"");
    if (!line.startsWith(head) || !line.endsWith(QLatin1Char('"')))
        return {};
    line = line.mid(head.size(), line.size() - head.size() - 1);
    QString text;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == QLatin1Char('\\') && i + 1 < line.size())
            ++i;
        else if (line[i] == QLatin1Char('"'))
            return {}; // an unescaped quote would end the literal early
        text += line[i];
    }
    return text;
}

QByteArray fileContent(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The command lines of the direct children of a process.
QList<QStringList> childCommandLines(qint64 pid)
{
    QList<QStringList> lines;
    for (const long child : procfs::numericEntries("/proc")) {
        const auto stat = procfs::readStat(child);
        if (!stat || stat->parentPid != pid)
            continue;
        const QByteArray path = "/proc/" + QByteArray::number(qlonglong(child)) + "/cmdline";
        QStringList words;
        for (const QByteArray& word : procfs::readFile(path.constData()).split('\0'))
            words.append(QString::fromUtf8(word));
        if (!words.isEmpty() && words.last().isEmpty())
            words.removeLast();
        lines.append(words);
    }
    return lines;
}

long firstChild(qint64 pid)
{
    for (const long child : procfs::numericEntries("/proc")) {
        const auto stat = procfs::readStat(child);
        if (stat && stat->parentPid == pid)
            return child;
    }
    return 0;
}

// The shell a terminal runs has become the interactive one that keeps the window open.
bool runsInteractiveShell(qint64 terminalPid)
{
    const auto lines = childCommandLines(terminalPid);
    return std::any_of(lines.begin(), lines.end(), [](const QStringList& words) {
        return words.size() == 2 && words.last() == QLatin1String("-i");
    });
}

// Real detached starts that remember each program's pid, so the test can end what it started.
class DetachedStarts : public ProcessSystemTools
{
public:
    ~DetachedStarts() override { endAll(); }
    bool startDetached(const QString& program, const QStringList& arguments,
                       const QString& workingDirectory = {}) override
    {
        QProcess process;
        process.setProgram(program);
        process.setArguments(arguments);
        if (!workingDirectory.isEmpty())
            process.setWorkingDirectory(workingDirectory);
        process.setStandardInputFile(QProcess::nullDevice());
        qint64 pid = 0;
        if (!process.startDetached(&pid))
            return false;
        m_pids.append(pid);
        return true;
    }
    QList<qint64> pids() const { return m_pids; }
    // A detached program leads a process group of its own (Qt starts it in a new session).
    void endAll()
    {
        for (const qint64 pid : std::as_const(m_pids)) {
            const pid_t group = ::getpgid(pid_t(pid));
            if (group > 1)
                ::kill(-group, SIGKILL);
            else
                ::kill(pid_t(pid), SIGKILL);
        }
        m_pids.clear();
    }

private:
    QList<qint64> m_pids;
};

} // namespace

class DesktopTest : public QObject
{
    Q_OBJECT
private slots:
    void macOpensThroughOpen_data();
    void macOpensThroughOpen();
    void macTerminalScript_data();
    void macTerminalScript();
    void macShellLineReachesTheFolder_data();
    void macShellLineReachesTheFolder();
    void macRunsTheScriptWithOsascript();

    void linuxPicksTheTerminal_data();
    void linuxPicksTheTerminal();
    void linuxScriptShell_data();
    void linuxScriptShell();
    void linuxOpenersAndEditors_data();
    void linuxOpenersAndEditors();
    void linuxReportsWhatIsMissing_data();
    void linuxReportsWhatIsMissing();
    void hostHasADesktop();

    void realTerminalRunsTheCommandInTheFolder_data();
    void realTerminalRunsTheCommandInTheFolder();
    void realTerminalSkipsTheCommandWhenTheFolderIsGone();
    void realTerminalOpensInTheFolder();

private:
    bool canRunRealTerminal();
};

void DesktopTest::macOpensThroughOpen_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("page") << QStringLiteral("url") << QStringLiteral("http://localhost:3000")
                          << QStringLiteral("") << QStringList{QStringLiteral("http://localhost:3000")};
    QTest::newRow("mail with subject")
        << QStringLiteral("url") << QStringLiteral("mailto:help@example.com?subject=Tidewell feedback")
        << QStringLiteral("")
        << QStringList{QStringLiteral("mailto:help@example.com?subject=Tidewell%20feedback")};
    QTest::newRow("folder") << QStringLiteral("folder") << QStringLiteral("/Users/me/app")
                            << QStringLiteral("") << QStringList{QStringLiteral("file:///Users/me/app")};
    QTest::newRow("folder with space")
        << QStringLiteral("folder") << QStringLiteral("/Users/me/my app") << QStringLiteral("")
        << QStringList{QStringLiteral("file:///Users/me/my%20app")};
    for (const char* application : {"Terminal", "Visual Studio Code", "Cursor"}) {
        QTest::addRow("%s", application)
            << QStringLiteral("application") << QString::fromLatin1(application)
            << QStringLiteral("/Users/me/my app")
            << QStringList{QStringLiteral("-a"), QString::fromLatin1(application),
                           QStringLiteral("/Users/me/my app")};
    }
}

void DesktopTest::macOpensThroughOpen()
{
    QFETCH(QString, action);
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QStringList, arguments);
    auto tools = std::make_shared<RecordingSystemTools>();
    MacDesktop desktop(tools);
    if (action == QLatin1String("url"))
        desktop.openUrl(QUrl(first));
    else if (action == QLatin1String("folder"))
        desktop.openFolder(first);
    else
        desktop.openWithApplication(first, second);
    const QList<Call> calls = tools->calls();
    QCOMPARE(calls.size(), 1);
    QCOMPARE(calls[0].kind, Call::Kind::detached);
    QCOMPARE(calls[0].program, QStringLiteral("/usr/bin/open"));
    QCOMPARE(calls[0].arguments, arguments);
}

void DesktopTest::macTerminalScript_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("script");
    // Plain texts give exactly the script Terminal has always been sent.
    QTest::newRow("plain")
        << QStringLiteral("/Users/me/app") << QStringLiteral("npm run dev")
        << QStringLiteral("tell application \"Terminal\"\n    do script \"cd /Users/me/app && npm run "
                          "dev\"\n    activate\nend tell");
    QTest::newRow("no origin") << QStringLiteral("") << QStringLiteral("")
                               << macScript(QStringLiteral("cd  && "));
    QTest::newRow("accented folder stays plain")
        << QStringLiteral("/Users/me/café-2_v1.0") << QStringLiteral("bun dev")
        << macScript(QStringLiteral("cd /Users/me/café-2_v1.0 && bun dev"));
    QTest::newRow("space") << QStringLiteral("/Users/me/my app") << QStringLiteral("npm run dev")
                           << macScript(QStringLiteral("cd '/Users/me/my app' && npm run dev"));
    QTest::newRow("single quote") << QStringLiteral("/Users/me/it's") << QStringLiteral("npm start")
                                  << macScript(QStringLiteral("cd '/Users/me/it'\\\\''s' && npm start"));
    QTest::newRow("double quote") << QStringLiteral("/Users/me/a\"b") << QStringLiteral("npm start")
                                  << macScript(QStringLiteral("cd '/Users/me/a\\\"b' && npm start"));
    QTest::newRow("backslash") << QStringLiteral("/Users/me/a\\b") << QStringLiteral("npm start")
                               << macScript(QStringLiteral("cd '/Users/me/a\\\\b' && npm start"));
    QTest::newRow("command substitution")
        << QStringLiteral("/Users/me/$(rm -rf ~)") << QStringLiteral("npm start")
        << macScript(QStringLiteral("cd '/Users/me/$(rm -rf ~)' && npm start"));
    QTest::newRow("quotes in the command")
        << QStringLiteral("/Users/me/app") << QStringLiteral("echo \"a\\b\"")
        << macScript(QStringLiteral("cd /Users/me/app && echo \\\"a\\\\b\\\""));
}

void DesktopTest::macTerminalScript()
{
    QFETCH(QString, folder);
    QFETCH(QString, command);
    QFETCH(QString, script);
    QCOMPARE(MacDesktop::terminalScript(folder, command), script);
    // What AppleScript reads from the literal is the shell line, whole.
    QCOMPARE(shellLineOfScript(script), MacDesktop::terminalShellLine(folder, command));
}

void DesktopTest::macShellLineReachesTheFolder_data()
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
void DesktopTest::macShellLineReachesTheFolder()
{
    QFETCH(QString, shell);
    QFETCH(QString, name);
    if (!QFile::exists(shell))
        QSKIP("shell not installed");
    QTemporaryDir base;
    const QString folder = base.filePath(name);
    QVERIFY(QDir().mkpath(folder));
    const QString line =
        shellLineOfScript(MacDesktop::terminalScript(folder, QStringLiteral("pwd > marker")));
    QProcess process;
    process.setWorkingDirectory(base.path());
    process.start(shell, {QStringLiteral("-c"), line});
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(fileContent(folder + QStringLiteral("/marker")), folder.toUtf8() + '\n');
    QCOMPARE(QDir(base.path()).entryList(QDir::Files), QStringList());
}

void DesktopTest::macRunsTheScriptWithOsascript()
{
    auto tools = std::make_shared<RecordingSystemTools>();
    MacDesktop(tools).runInNewTerminal(QStringLiteral("/Users/me/app"), QStringLiteral("npm run dev"));
    const QList<Call> calls = tools->calls();
    QCOMPARE(calls.size(), 1);
    QCOMPARE(calls[0].kind, Call::Kind::detached);
    QCOMPARE(calls[0].program, QStringLiteral("/usr/bin/osascript"));
    QCOMPARE(calls[0].arguments, (QStringList{QStringLiteral("-e"),
                                              macScript(QStringLiteral("cd /Users/me/app && npm run dev"))}));
}

void DesktopTest::linuxPicksTheTerminal_data()
{
    QTest::addColumn<QStringList>("installed");
    QTest::addColumn<QString>("terminalVariable");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QStringList>("folderArguments");
    QTest::addColumn<QStringList>("runPrefix");
    const QStringList all{QStringLiteral("xterm"),
                          QStringLiteral("alacritty"),
                          QStringLiteral("kitty"),
                          QStringLiteral("xfce4-terminal"),
                          QStringLiteral("konsole"),
                          QStringLiteral("gnome-terminal"),
                          QStringLiteral("x-terminal-emulator")};
    const QStringList dashE{QStringLiteral("-e")};
    QTest::newRow("xterm only") << QStringList{QStringLiteral("xterm")} << QStringLiteral("")
                                << QStringLiteral("xterm") << QStringList() << dashE;
    QTest::newRow("x-terminal-emulator first")
        << all << QStringLiteral("") << QStringLiteral("x-terminal-emulator") << QStringList() << dashE;
    QTest::newRow("gnome-terminal") << all.mid(0, 6) << QStringLiteral("") << QStringLiteral("gnome-terminal")
                                    << QStringList{QStringLiteral("--working-directory=FOLDER")}
                                    << QStringList{QStringLiteral("--")};
    QTest::newRow("konsole") << all.mid(0, 5) << QStringLiteral("") << QStringLiteral("konsole")
                             << QStringList{QStringLiteral("--workdir"), kFolderMark} << dashE;
    QTest::newRow("xfce4-terminal") << all.mid(0, 4) << QStringLiteral("") << QStringLiteral("xfce4-terminal")
                                    << QStringList{QStringLiteral("--working-directory=FOLDER")}
                                    << QStringList{QStringLiteral("-x")};
    QTest::newRow("kitty") << all.mid(0, 3) << QStringLiteral("") << QStringLiteral("kitty")
                           << QStringList{QStringLiteral("--directory"), kFolderMark} << QStringList();
    QTest::newRow("alacritty") << all.mid(0, 2) << QStringLiteral("") << QStringLiteral("alacritty")
                               << QStringList{QStringLiteral("--working-directory"), kFolderMark} << dashE;
    QTest::newRow("$TERMINAL by name first")
        << (all + QStringList{QStringLiteral("myterm")}) << QStringLiteral("myterm")
        << QStringLiteral("myterm") << QStringList() << dashE;
    QTest::newRow("$TERMINAL by path off PATH")
        << QStringList{QStringLiteral("xterm"), QStringLiteral("extra/kitty")}
        << QStringLiteral("DIR/extra/kitty") << QStringLiteral("extra/kitty")
        << QStringList{QStringLiteral("--directory"), kFolderMark} << QStringList();
    QTest::newRow("$TERMINAL keeps its own conventions")
        << QStringList{QStringLiteral("xterm"), QStringLiteral("gnome-terminal")}
        << QStringLiteral("gnome-terminal") << QStringLiteral("gnome-terminal")
        << QStringList{QStringLiteral("--working-directory=FOLDER")} << QStringList{QStringLiteral("--")};
    QTest::newRow("missing $TERMINAL falls back")
        << QStringList{QStringLiteral("konsole")} << QStringLiteral("nosuchterm") << QStringLiteral("konsole")
        << QStringList{QStringLiteral("--workdir"), kFolderMark} << dashE;
}

void DesktopTest::linuxPicksTheTerminal()
{
    QFETCH(QStringList, installed);
    QFETCH(QString, terminalVariable);
    QFETCH(QString, chosen);
    QFETCH(QStringList, folderArguments);
    QFETCH(QStringList, runPrefix);
    FakePrograms programs;
    for (const QString& name : installed)
        programs.add(name);
    terminalVariable.replace(QStringLiteral("DIR"), programs.path());
    const QString folder = QStringLiteral("/home/me/it's my app");
    const QString command = QStringLiteral("npm run dev -- --port \"$PORT\"");
    auto tools = std::make_shared<RecordingSystemTools>();
    LinuxDesktop desktop(tools, programs.lookup(terminalVariable));

    desktop.openWithApplication(QStringLiteral("Terminal"), folder);
    desktop.runInNewTerminal(folder, command);

    const QString program = programs.path() + QLatin1Char('/') + chosen;
    const QList<Call> calls = tools->calls();
    QCOMPARE(calls.size(), 2);
    QCOMPARE(calls[0].kind, Call::Kind::detached);
    QCOMPARE(calls[0].program, program);
    QCOMPARE(calls[0].arguments, withFolder(folderArguments, folder));
    QCOMPARE(calls[0].workingDirectory, folder);
    QCOMPARE(calls[1].program, program);
    const QStringList shellArguments{QStringLiteral("/bin/bash"),
                                     QStringLiteral("-c"),
                                     LinuxDesktop::terminalScript(),
                                     QStringLiteral("tidewell"),
                                     folder,
                                     command};
    QCOMPARE(calls[1].arguments, runPrefix + shellArguments);
    // The folder may be gone; the shell in the window reports that, not a failed start.
    QCOMPARE(calls[1].workingDirectory, QString());
}

void DesktopTest::linuxScriptShell_data()
{
    QTest::addColumn<QString>("shell");
    QTest::addColumn<QString>("chosen");
    QTest::newRow("unset") << QStringLiteral("") << QStringLiteral("/bin/bash");
    QTest::newRow("zsh by path") << QStringLiteral("DIR/zsh") << QStringLiteral("DIR/zsh");
    QTest::newRow("dash by name") << QStringLiteral("dash") << QStringLiteral("DIR/dash");
    QTest::newRow("fish is not POSIX") << QStringLiteral("DIR/fish") << QStringLiteral("/bin/bash");
    QTest::newRow("missing") << QStringLiteral("/nonexistent/zsh") << QStringLiteral("/bin/bash");
}

void DesktopTest::linuxScriptShell()
{
    QFETCH(QString, shell);
    QFETCH(QString, chosen);
    FakePrograms programs;
    for (const char* name : {"zsh", "dash", "fish", "xterm"})
        programs.add(QString::fromLatin1(name));
    shell.replace(QStringLiteral("DIR"), programs.path());
    chosen.replace(QStringLiteral("DIR"), programs.path());
    LinuxDesktop desktop(std::make_shared<RecordingSystemTools>(), programs.lookup({}, shell));
    QCOMPARE(desktop.scriptShell(), chosen);
}

void DesktopTest::linuxOpenersAndEditors_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    const QString folder = QStringLiteral("/home/me/my app");
    QTest::newRow("page") << QStringLiteral("url") << QStringLiteral("http://localhost:5173")
                          << QStringLiteral("xdg-open")
                          << QStringList{QStringLiteral("http://localhost:5173")};
    QTest::newRow("folder") << QStringLiteral("folder") << folder << QStringLiteral("xdg-open")
                            << QStringList{QStringLiteral("file:///home/me/my%20app")};
    QTest::newRow("Visual Studio Code")
        << QStringLiteral("Visual Studio Code") << folder << QStringLiteral("code") << QStringList{folder};
    QTest::newRow("Cursor") << QStringLiteral("Cursor") << folder << QStringLiteral("cursor")
                            << QStringList{folder};
}

void DesktopTest::linuxOpenersAndEditors()
{
    QFETCH(QString, action);
    QFETCH(QString, text);
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    FakePrograms programs;
    for (const char* name : {"xdg-open", "code", "cursor", "xterm"})
        programs.add(QString::fromLatin1(name));
    auto tools = std::make_shared<RecordingSystemTools>();
    LinuxDesktop desktop(tools, programs.lookup());
    StandardOutputCapture output;
    if (action == QLatin1String("url"))
        desktop.openUrl(QUrl(text));
    else if (action == QLatin1String("folder"))
        desktop.openFolder(text);
    else
        desktop.openWithApplication(action, text);
    QCOMPARE(output.lines(), QStringList());
    const QList<Call> calls = tools->calls();
    QCOMPARE(calls.size(), 1);
    QCOMPARE(calls[0].kind, Call::Kind::detached);
    QCOMPARE(calls[0].program, programs.path() + QLatin1Char('/') + program);
    QCOMPARE(calls[0].arguments, arguments);
}

void DesktopTest::linuxReportsWhatIsMissing_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("line");
    QTest::newRow("Visual Studio Code")
        << QStringLiteral("Visual Studio Code")
        << QStringLiteral("Failed to launch application: Visual Studio Code (code not found)");
    QTest::newRow("Cursor") << QStringLiteral("Cursor")
                            << QStringLiteral("Failed to launch application: Cursor (cursor not found)");
    QTest::newRow("unknown application")
        << QStringLiteral("Xcode")
        << QStringLiteral("Failed to launch application: Xcode (unknown application)");
    QTest::newRow("no terminal to open")
        << QStringLiteral("Terminal")
        << QStringLiteral("Failed to launch application: Terminal (no terminal emulator found)");
    QTest::newRow("no terminal to run in")
        << QStringLiteral("run")
        << QStringLiteral("Failed to launch application: Terminal (no terminal emulator found)");
    QTest::newRow("no opener") << QStringLiteral("url")
                               << QStringLiteral(
                                      "Failed to launch application: xdg-open (xdg-open not found)");
}

void DesktopTest::linuxReportsWhatIsMissing()
{
    QFETCH(QString, action);
    QFETCH(QString, line);
    FakePrograms nothingInstalled;
    auto tools = std::make_shared<RecordingSystemTools>();
    LinuxDesktop desktop(tools, nothingInstalled.lookup());
    StandardOutputCapture output;
    if (action == QLatin1String("run"))
        desktop.runInNewTerminal(QStringLiteral("/home/me/app"), QStringLiteral("npm run dev"));
    else if (action == QLatin1String("url"))
        desktop.openUrl(QUrl(QStringLiteral("http://localhost:3000")));
    else
        desktop.openWithApplication(action, QStringLiteral("/home/me/app"));
    QCOMPARE(output.lines(), QStringList{line});
    QCOMPARE(tools->calls().size(), 0);
}

void DesktopTest::hostHasADesktop()
{
    auto tools = std::make_shared<RecordingSystemTools>();
    const Host host = Host::create(Host::Backend::commands, tools);
    QVERIFY(host.desktop);
    QVERIFY(dynamic_cast<LinuxDesktop*>(host.desktop.get()));
}

bool DesktopTest::canRunRealTerminal()
{
    return !findProgram(QStringLiteral("Xvfb")).isEmpty() && !findProgram(QStringLiteral("xterm")).isEmpty();
}

void DesktopTest::realTerminalRunsTheCommandInTheFolder_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("plain") << QStringLiteral("app");
    QTest::newRow("space and single quote") << QStringLiteral("it's my app");
    QTest::newRow("shell syntax") << QStringLiteral("$HOME \"$(touch pwned)\" `touch pwned` *");
}

void DesktopTest::realTerminalRunsTheCommandInTheFolder()
{
    QFETCH(QString, name);
    if (!canRunRealTerminal())
        QSKIP("Xvfb and xterm are needed");
    VirtualDisplay display;
    QVERIFY(!display.display().isEmpty());
    qputenv("DISPLAY", display.display().toUtf8());
    QTemporaryDir base;
    const QString folder = base.filePath(name);
    QVERIFY(QDir().mkpath(folder));
    // `$PWD` is for the window's shell to expand, once; '$HOME' must reach printf untouched, and
    // the second file counts how often the command ran.
    const QString command = QStringLiteral(R"(printf '%s|%s\n' "$PWD" '$HOME' > marker; echo run >> runs)");

    auto tools = std::make_shared<DetachedStarts>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TERMINAL"), findProgram(QStringLiteral("xterm")));
    environment.insert(QStringLiteral("SHELL"), QStringLiteral("/bin/bash"));
    LinuxDesktop inXterm(tools, ProgramLookup(environment));
    inXterm.runInNewTerminal(folder, command);
    QCOMPARE(tools->pids().size(), 1);
    const qint64 terminal = tools->pids().first();

    QTRY_COMPARE_WITH_TIMEOUT(fileContent(folder + QStringLiteral("/marker")), folder.toUtf8() + "|$HOME\n",
                              20000);
    // The window stays open on an interactive shell once the command is done.
    QTRY_VERIFY_WITH_TIMEOUT(runsInteractiveShell(terminal), 20000);
    QCOMPARE(fileContent(folder + QStringLiteral("/runs")), QByteArray("run\n"));
    QVERIFY(!QFile::exists(base.filePath(QStringLiteral("pwned"))));
    QVERIFY(!QFile::exists(folder + QStringLiteral("/pwned")));
    tools->endAll();
}

void DesktopTest::realTerminalSkipsTheCommandWhenTheFolderIsGone()
{
    if (!canRunRealTerminal())
        QSKIP("Xvfb and xterm are needed");
    VirtualDisplay display;
    QVERIFY(!display.display().isEmpty());
    qputenv("DISPLAY", display.display().toUtf8());
    QTemporaryDir base;
    const QString marker = base.filePath(QStringLiteral("marker"));
    const QString gone = base.filePath(QStringLiteral("gone away"));

    auto tools = std::make_shared<DetachedStarts>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TERMINAL"), findProgram(QStringLiteral("xterm")));
    LinuxDesktop desktop(tools, ProgramLookup(environment));
    desktop.runInNewTerminal(gone, QStringLiteral("echo ran > ") + shellQuoted(marker));
    QCOMPARE(tools->pids().size(), 1);

    // The window opens and ends on its interactive shell; by then `cd` has failed and the command
    // has been skipped.
    QTRY_VERIFY_WITH_TIMEOUT(runsInteractiveShell(tools->pids().first()), 20000);
    QVERIFY(!QFile::exists(marker));
    tools->endAll();
}

void DesktopTest::realTerminalOpensInTheFolder()
{
    if (!canRunRealTerminal())
        QSKIP("Xvfb and xterm are needed");
    VirtualDisplay display;
    QVERIFY(!display.display().isEmpty());
    qputenv("DISPLAY", display.display().toUtf8());
    QTemporaryDir base;
    const QString folder = base.filePath(QStringLiteral("it's my app"));
    QVERIFY(QDir().mkpath(folder));

    auto tools = std::make_shared<DetachedStarts>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TERMINAL"), findProgram(QStringLiteral("xterm")));
    LinuxDesktop desktop(tools, ProgramLookup(environment));
    desktop.openWithApplication(QStringLiteral("Terminal"), folder);
    QCOMPARE(tools->pids().size(), 1);

    const qint64 terminal = tools->pids().first();
    QTRY_VERIFY_WITH_TIMEOUT(firstChild(terminal) != 0, 20000);
    const QByteArray link = "/proc/" + QByteArray::number(qlonglong(firstChild(terminal))) + "/cwd";
    QCOMPARE(QString::fromUtf8(procfs::readLink(link.constData())), folder);
    tools->endAll();
}

QTEST_GUILESS_MAIN(DesktopTest)
#include "tst_desktop.moc"
