#include "gui/ports/PortsTab.h"
#include "gui/ports/RemoteMachineSection.h"
#include "gui/process/AppServices.h"
#include "gui/process/ProcessItem.h"
#include "gui/settings/SettingsPage.h"
#include "gui/shell/AppMenu.h"
#include "gui/widgets/DelayPopover.h"
#include "gui/widgets/PopoverWindow.h"
#include "gui/widgets/RowHoverLook.h"
#include "notifications/NotificationSink.h"
#include "notifications/RemoteServerNotifier.h"
#include "probe/PageProbe.h"
#include "remote/RemoteListingReader.h"
#include "remote/RemoteMachine.h"
#include "remote/RemoteMachinesWatcher.h"
#include "remote/SshDestination.h"
#include "state/AppState.h"
#include "support/FakeLoginItemService.h"
#include "support/MenuFixture.h"
#include "support/RecordingDesktop.h"
#include "support/SshTestMachine.h"
#include "support/TestProcesses.h"

#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <csignal>

using namespace Qt::StringLiterals;
using namespace tidewell;
using namespace tidewell::test;

// Remote machines against a real sshd in a network namespace of the test's own (SshTestMachine):
// the listing with and without tidewell there, pages probed through the tunnel, forwards, stops on
// the far side, machines that cannot be reached, and far sides that send hostile listings.
class RemoteTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void destinations_data();
    void destinations();
    void farServer_data();
    void farServer();
    void failures_data();
    void failures();
    void hostile_data();
    void hostile();
    void machineGoneDuringARefresh();
    void window();

private:
    RemoteMachine::Refresh refresh(const QString& host);
    std::unique_ptr<ChildProcess> startServer(const QString& title, const QString& folder = {});
    std::optional<PageProbe::Outcome> probe(quint16 port);
    std::unique_ptr<SshTestMachine> m_machine;
    int m_serial = 0;
};

void RemoteTest::initTestCase()
{
    m_machine = std::make_unique<SshTestMachine>(QStringLiteral(TIDEWELL_PROGRAM));
}

RemoteMachine::Refresh RemoteTest::refresh(const QString& host)
{
    RemoteMachine machine(*SshDestination::parse(host));
    machine.setProbeDeadlineMs(30'000);
    std::optional<RemoteMachine::Refresh> answer;
    machine.refresh([&answer](const RemoteMachine::Refresh& refresh) { answer = refresh; });
    // ssh gives up on its own (ConnectTimeout, the probe's deadline): this only waits for it.
    (void)QTest::qWaitFor([&answer] { return answer.has_value(); }, 120'000);
    return answer.value_or(RemoteMachine::Refresh{{}, u"no answer in two minutes"_s});
}

std::unique_ptr<ChildProcess> RemoteTest::startServer(const QString& title, const QString& folder)
{
    auto server = m_machine->startInside(python3(), {listenerScript(), u"--title"_s, title}, folder);
    return server->waitUntilReady() ? std::move(server) : nullptr;
}

// The page on a local port; the test's own process is in no namespace, so only a forward reaches it.
std::optional<PageProbe::Outcome> RemoteTest::probe(quint16 port)
{
    PageProbe probe;
    std::optional<PageProbe::Outcome> outcome;
    probe.fetchHTMLData(QString::number(port), u"127.0.0.1"_s,
                        [&outcome](PageProbe::Outcome answer) { outcome = answer; });
    (void)QTest::qWaitFor([&outcome] { return outcome.has_value(); }, 120'000);
    return outcome;
}

void RemoteTest::destinations_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("arguments"); // empty: refused
    QTest::newRow("config host") << u"devbox"_s << QStringList{u"--"_s, u"devbox"_s};
    QTest::newRow("user, host and port")
        << u"me@devbox:2222"_s << QStringList{u"-p"_s, u"2222"_s, u"--"_s, u"me@devbox"_s};
    QTest::newRow("IPv6 with port") << u"[::1]:22"_s << QStringList{u"-p"_s, u"22"_s, u"--"_s, u"::1"_s};
    QTest::newRow("IPv6 alone") << u"fe80::1"_s << QStringList{u"--"_s, u"fe80::1"_s};
    QTest::newRow("an option") << u"-oProxyCommand=touch /tmp/x"_s << QStringList{};
    QTest::newRow("two words") << u"dev box"_s << QStringList{};
    QTest::newRow("port zero") << u"devbox:0"_s << QStringList{};
    QTest::newRow("no host") << u"me@"_s << QStringList{};
}

void RemoteTest::destinations()
{
    QFETCH(QString, text);
    QFETCH(QStringList, arguments);
    const auto destination = SshDestination::parse(text);
    QCOMPARE(destination.has_value(), !arguments.isEmpty());
    if (destination)
        QCOMPARE(destination->sshArguments(), arguments);
}

void RemoteTest::farServer_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<bool>("choosePort"); // --local-port, or a free local port
    QTest::newRow("the fixed scripts, pages through the tunnel") << u"far"_s << false;
    QTest::newRow("the fixed scripts without ss: /proc") << u"far-proc"_s << false;
    QTest::newRow("the fixed scripts as on macOS: lsof and ps") << u"far-mac"_s << false;
    QTest::newRow("tidewell on the far side") << u"far-tidewell"_s << true;
}

// One far server listed, forwarded and stopped, in the window's calls and on the command line.
void RemoteTest::farServer()
{
    if (!m_machine->skipReason().isEmpty())
        QSKIP(qPrintable(m_machine->skipReason()));
    QFETCH(QString, host);
    QFETCH(bool, choosePort);
    QTemporaryDir folder;
    const QString title = u"Far Shop %1"_s.arg(++m_serial);
    const auto server = startServer(title, folder.path());
    QVERIFY(server);
    const QString port = QString::number(server->port());
    const RemoteMachine::Refresh answer = refresh(host);
    QCOMPARE(answer.error, QString());
    const auto found = std::find_if(answer.listing.servers.cbegin(), answer.listing.servers.cend(),
                                    [&](const PortData& entry) { return entry.port() == port; });
    QVERIFY2(found != answer.listing.servers.cend(), "the far server is listed as a server");
    QCOMPARE(found->pid(), QString::number(server->pid()));
    QVERIFY(found->htmlData());
    QCOMPARE(found->htmlData()->title, title);
    QCOMPARE(answer.listing.fromTidewell, host == u"far-tidewell"_s);
    if (!answer.listing.fromTidewell) {
        QVERIFY(found->processInfo());
        QCOMPARE(found->processInfo()->cwd, folder.path());
        QVERIFY(found->processInfo()->cmd.contains(u"--title"_s));
        QVERIFY(!found->identity().startTime.isEmpty());
        // Without /proc there is no inode: the stop checks that the process holds the port.
        QCOMPARE(found->identity().socketInode != 0, host != u"far-mac"_s);
    }
    const auto tidewell = [this](const QStringList& arguments) {
        return runProgram(QStringLiteral(TIDEWELL_PROGRAM), arguments, m_machine->environment(), 120'000);
    };
    const ProgramRun listed = tidewell({u"--list"_s, u"--host"_s, host, u"--json"_s});
    QCOMPARE(listed.exitCode, 0);
    const QJsonArray entries = QJsonDocument::fromJson(listed.out).array();
    const auto printed = std::find_if(entries.cbegin(), entries.cend(), [&](const QJsonValue& entry) {
        return entry[u"port"_s].toString() == port;
    });
    QVERIFY2(printed != entries.cend(), listed.out.constData());
    QCOMPARE((*printed)[u"host"_s].toString(), host);
    QCOMPARE((*printed)[u"htmlData"_s][u"title"_s].toString(), title);
    QStringList arguments{u"--forward"_s, host + u':' + port};
    const int chosen = choosePort ? freeLocalPort() : 0;
    if (choosePort)
        arguments << u"--local-port"_s << QString::number(chosen);
    const ProgramRun forward = tidewell(arguments);
    QCOMPARE(forward.exitCode, 0);
    const QByteArray address = forward.out.trimmed();
    QVERIFY2(address.startsWith("127.0.0.1:"), forward.err.constData());
    QVERIFY(!choosePort || address.mid(10).toInt() == chosen);
    const auto page = probe(quint16(address.mid(10).toUInt()));
    QVERIFY(page && page->page);
    QCOMPARE(page->page->title, title);
    if (!answer.listing.fromTidewell) {
        // The same-process check: a listed start time that is not the process's sends nothing.
        PortData other = *found;
        other.setListedIdentity(QString::number(found->identity().startTime.toULongLong() + 1),
                                found->identity().socketInode);
        RemoteMachine machine(*SshDestination::parse(host));
        std::optional<StopResult> result;
        machine.stop(other, StopSignal::terminate,
                     [&result](StopResult stopped, const QString&) { result = stopped; });
        QTRY_VERIFY_WITH_TIMEOUT(result.has_value(), 120'000);
        QCOMPARE(*result, StopResult::notListed);
        QCOMPARE(server->process().state(), QProcess::Running);
    }
    const ProgramRun stopped = tidewell({u"--stop"_s, port, u"--host"_s, host});
    QVERIFY2(stopped.exitCode == 0, stopped.err.constData());
    QVERIFY2(stopped.out.contains("Stopped"), stopped.out.constData());
    QTRY_COMPARE_WITH_TIMEOUT(server->process().state(), QProcess::NotRunning, 60'000);
}

void RemoteTest::failures_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("reason");
    // Its ProxyCommand's own message is not shown: ssh sends it to /dev/null under ControlPersist.
    QTest::newRow("unreachable") << u"far-down"_s << u"Connection closed"_s;
    QTest::newRow("unknown host key") << u"far-unknown"_s << u"host key not known: connect once with ssh"_s;
    QTest::newRow("no key it accepts") << u"far-nokey"_s << u"needs a key or an agent"_s;
}

void RemoteTest::failures()
{
    if (!m_machine->skipReason().isEmpty())
        QSKIP(qPrintable(m_machine->skipReason()));
    QFETCH(QString, host);
    QFETCH(QString, reason);
    const RemoteMachine::Refresh answer = refresh(host);
    QVERIFY2(answer.error.contains(reason), qPrintable(answer.error));
    QVERIFY(answer.listing.servers.isEmpty());
    const ProgramRun run = runProgram(QStringLiteral(TIDEWELL_PROGRAM), {u"--list"_s, u"--host"_s, host},
                                      m_machine->environment(), 120'000);
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.startsWith(host.toUtf8() + ": ") && run.err.contains(reason.toUtf8()),
             run.err.constData());
}

void RemoteTest::hostile_data()
{
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<int>("entries");
    QTest::addColumn<QString>("error");
    PortData loud(u"node\u001b[31m\n\u202Eevil"_s, u"3000"_s, u"42"_s);
    loud.setHtmlData(HTMLData{u"Title\u0007"_s + QString(100'000, u'x'), AppType::unknown, std::nullopt,
                              HttpScheme::http});
    loud.setProcessInfo(ProcessInfo{u"/srv/\nshop"_s, u"node\u001b]0;owned\u0007 server"_s});
    QJsonArray badNumbers;
    for (const auto& [port, pid] : {std::pair{"30x0", "7"},
                                    {"-1", "7"},
                                    {"70000", "7"},
                                    {"3000", "1;rm -rf /"},
                                    {" 3000", "7"},
                                    {"3000", "007"}})
        badNumbers.append(PortData(u"node"_s, QString::fromLatin1(port), QString::fromLatin1(pid)).toJson());
    QByteArray stat = "4242 (node\x1b]0;x\x07) S 1";
    for (int field = 5; field <= 22; ++field)
        stat += ' ' + QByteArray::number(field);
    const QByteArray script =
        "#tidewell-listing 1\n#tcp\n0100007F:0BB8 555\n0100007F:ZZZZ 556\n00000000:0000 557\n"
        "#fd\n4242 555\nabc 555\n-5 555\n4243 556\n#proc\n==> /proc/4242/stat <==\n" +
        stat + "\n\n==> /proc/4242/cmdline <==\nnode\0" + QByteArray(100'000, 'A') +
        "\n#links\nl 1 u u 0 x /proc/4242/cwd -> /srv/\x1b[2Jshop\n#end\n";
    QTest::newRow("long fields, control characters")
        << QJsonDocument(QJsonArray{loud.toJson()}).toJson() << 1 << QString();
    QTest::newRow("numbers that are not ports or pids")
        << QJsonDocument(badNumbers).toJson() << 0 << QString();
    QTest::newRow("script form, hostile fields") << script << 1 << QString();
    const QByteArray lsofScript =
        "#tidewell-listing 1\n#lsof\nCOMMAND PID USER FD TYPE DEVICE SIZE/OFF NODE NAME\n"
        "node 4242 u 20u IPv4 0x1 0t0 TCP *:3000 (LISTEN)\nnode abc u 20u IPv4 0x2 0t0 TCP *:3001 (LISTEN)\n"
        "node 4243 u 20u IPv4 0x3 0t0 TCP *:x (LISTEN)\n#tree\n 4242 1 node\x1b]0;x\x07\n x 1 sh\n"
        "#ps\n 4242 Tue Dcm 99 1:2:3 20266 node \x1b[31m " +
        QByteArray(100'000, 'A') + "\n#files\np4242\nfcwd\nn/srv/\x1b[2Jshop\npabc\nfcwd\nn/etc\n#end\n";
    QTest::newRow("script form as on macOS, hostile fields") << lsofScript << 1 << QString();
    QTest::newRow("over 1 MiB") << "[" + QByteArray(2 * 1024 * 1024, ' ') + "]" << 0
                                << u"listing over 1024 KiB"_s;
    QTest::newRow("not a listing") << QByteArray("hello\x1b[31m world\n") << 0
                                   << u"unreadable listing: hello [31m world"_s;
}

void RemoteTest::hostile()
{
    if (!m_machine->skipReason().isEmpty())
        QSKIP(qPrintable(m_machine->skipReason()));
    QFETCH(QByteArray, output);
    QFETCH(int, entries);
    QFETCH(QString, error);
    m_machine->setHostileListing(output);
    const RemoteMachine::Refresh answer = refresh(u"far-hostile"_s);
    QCOMPARE(answer.error, error);
    const QList<PortData> rows = answer.listing.servers + answer.listing.others;
    QCOMPARE(rows.size(), entries);
    const auto fit = [](const QString& text) {
        return text.size() <= RemoteListingReader::kMaxTextLength &&
               std::none_of(text.cbegin(), text.cend(), [](QChar c) {
                   return c.category() == QChar::Other_Control || c.category() == QChar::Other_Format;
               });
    };
    for (const PortData& row : rows) {
        QCOMPARE(row.port(), u"3000"_s);
        QVERIFY2(fit(row.processName()), qPrintable(row.processName()));
        QVERIFY(!row.htmlData() || fit(row.htmlData()->title));
        QVERIFY(row.processInfo());
        QVERIFY2(fit(row.processInfo()->cwd) && fit(row.processInfo()->cmd),
                 qPrintable(row.processInfo()->cwd));
        QVERIFY(row.processInfo()->cmd.startsWith(u"node"_s));
    }
}

// A machine removed, or the program quitting, while its listing runs: the ssh client is killed and
// nothing answers the refresh, whose asker is going too.
void RemoteTest::machineGoneDuringARefresh()
{
    if (!m_machine->skipReason().isEmpty())
        QSKIP(qPrintable(m_machine->skipReason()));
    QTest::failOnWarning(QRegularExpression(u"Destroyed while process"_s));
    bool answered = false;
    qint64 ssh = 0;
    {
        RemoteMachine machine(*SshDestination::parse(u"far"_s));
        machine.refresh([&answered](const RemoteMachine::Refresh&) { answered = true; });
        const auto running = machine.connection().findChildren<QProcess*>();
        QCOMPARE(running.size(), 1);
        ssh = running.first()->processId();
        QVERIFY(ssh > 0);
    }
    QVERIFY(!answered);
    QVERIFY2(::kill(pid_t(ssh), 0) != 0, "the ssh client outlived its machine");
}

// The settings page adds the machines; the watcher asks the switched-on ones while the window is open
// or notifications are on, and again later after each failure; the ports tab shows one section per
// machine, and the row's actions reach the server on the far side.
void RemoteTest::window()
{
    if (!m_machine->skipReason().isEmpty())
        QSKIP(qPrintable(m_machine->skipReason()));
    QTemporaryDir folder;
    const QString title = u"Window %1"_s.arg(++m_serial);
    const auto server = startServer(title, folder.path());
    QVERIFY(server);
    const QString port = QString::number(server->port());
    MenuFixture fixture;
    AppState& state = fixture.state;
    FakeLoginItemService loginItem;
    SettingsPage page(&loginItem, &state);
    const auto add = [&page](const QString& typed) {
        page.remoteMachineField()->setCurrentText(typed);
        page.addRemoteMachineButton()->click();
    };
    add(u"-oProxyCommand=x"_s);
    QCOMPARE(page.remoteMachineErrorText(),
             u"Not an ssh destination: a host of ~/.ssh/config, user@host or host:port"_s);
    for (const QString& typed : {u"far"_s, u"far-down"_s, u"far-nokey"_s, u"far"_s})
        add(typed);
    QTRY_VERIFY(page.remoteMachineSwitch(u"far-nokey"_s));
    page.remoteMachineSwitch(u"far-nokey"_s)->click();
    QTRY_COMPARE(RemoteMachineList::fromJson(state.remoteMachinesData()),
                 (QList<RemoteMachineList::Machine>{
                     {u"far"_s, true}, {u"far-down"_s, true}, {u"far-nokey"_s, false}}));
    RemoteMachinesWatcher watcher(&state);
    struct RecordingSink : NotificationSink
    {
        QList<Notification> shown;
        void show(const Notification& notification) override { shown.append(notification); }
    } sink;
    RemoteServerNotifier notifier(&state, &watcher, &sink);
    // Switched off: not watched. Window closed, notifications off: nobody is asked.
    QCOMPARE(watcher.machines().size(), 2);
    QCOMPARE(watcher.scheduledInMs(u"far"_s), -1);
    QCOMPARE(watcher.scheduledInMs(u"far-down"_s), -1);
    // When the unreachable machine fails, the delay before it is asked again, by failures in a row.
    QHash<int, int> retryAfter;
    connect(&watcher, &RemoteMachinesWatcher::machinesChanged, this, [&] {
        for (const RemoteMachinesWatcher::MachineState& machine : watcher.machines()) {
            if (machine.destination == u"far-down"_s && machine.failuresInARow > 0 &&
                !retryAfter.contains(machine.failuresInARow))
                retryAfter.insert(machine.failuresInARow, watcher.scheduledInMs(u"far-down"_s));
        }
    });
    const auto& desktop = fixture.desktop;
    fixture.remoteMachines = &watcher;
    AppMenu* menu = fixture.build();
    PortsTab& tab = *menu->portsTab();
    menu->setMenuPresented(true);
    const auto section = [&tab](int index) { return tab.remoteSections().value(index); };
    QTRY_COMPARE(tab.remoteSections().size(), 2);
    QCOMPARE(section(0)->destination(), u"far"_s);
    const auto ourRow = [&]() -> ProcessItem* {
        for (ProcessItem* row : section(0)->rows()) {
            if (row->port().port() == port && row->port().htmlData())
                return row;
        }
        return nullptr;
    };
    QTRY_VERIFY_WITH_TIMEOUT(ourRow(), 120'000);
    QVERIFY(section(0)->headerText().startsWith(u"far ("_s));
    QCOMPARE(ourRow()->port().htmlData()->title, title);
    QTRY_VERIFY_WITH_TIMEOUT(!section(1)->errorText().isEmpty(), 120'000);
    QCOMPARE(section(1)->headerText(), u"far-down"_s);
    section(0)->setFolded(true);
    QVERIFY(!ourRow()->isVisibleTo(&tab));
    section(0)->setFolded(false);
    // While nothing changes there, the open window asks the machine less often, down to the pace of
    // notifications; a change (below, a new server) brings the first pace back. Whether the delay is
    // beyond a pace is told halfway to the next one, as a coarse timer may end up to 5 % late.
    const auto beyondPace = [&watcher](int unchanged) {
        return watcher.scheduledInMs(u"far"_s) > RemoteMachinesWatcher::openIntervalMs(unchanged) * 3 / 2;
    };
    QCOMPARE(RemoteMachinesWatcher::openIntervalMs(2), 8000);
    QCOMPARE(RemoteMachinesWatcher::openIntervalMs(9), RemoteMachinesWatcher::kClosedIntervalMs);
    // The first listing is the starting point; then a server that starts there, and stops, is news.
    state.setNotifyServerChanges(true);
    QCOMPARE(sink.shown.size(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(beyondPace(0), 60'000);
    const QString secondTitle = u"Second %1"_s.arg(++m_serial);
    auto second = startServer(secondTitle);
    QVERIFY(second);
    const QString news = secondTitle + u" on port "_s + QString::number(second->port()) + u" on far"_s;
    QTRY_VERIFY_WITH_TIMEOUT(!sink.shown.isEmpty(), 120'000);
    QCOMPARE(sink.shown.first(), (Notification{u"Server started"_s, news, {}}));
    QVERIFY(!beyondPace(0));
    second.reset();
    QTRY_COMPARE_WITH_TIMEOUT(sink.shown.size(), 2, 120'000);
    QCOMPARE(sink.shown.last().title, u"Server stopped"_s);
    QCOMPARE(sink.shown.last().message, news);
    state.setNotifyServerChanges(false);
    // The unreachable machine is asked again later each time it fails, up to a minute.
    QTRY_VERIFY_WITH_TIMEOUT(retryAfter.contains(3), 120'000);
    QCOMPARE(RemoteMachinesWatcher::retryDelayMs(1), 2000);
    QCOMPARE(RemoteMachinesWatcher::retryDelayMs(3), 8000);
    QCOMPARE(RemoteMachinesWatcher::retryDelayMs(30), 60'000);
    QVERIFY2(retryAfter.value(2) > RemoteMachinesWatcher::kOpenIntervalMs &&
                 retryAfter.value(3) > retryAfter.value(2),
             qPrintable(u"%1 %2"_s.arg(retryAfter.value(2)).arg(retryAfter.value(3))));
    // Open, from the keyboard as from a local row: a forward to a free local port, shown on the row,
    // and the page opened there.
    ProcessItem* row = ourRow();
    for (int i = 0; i < tab.remoteRows().size() && !row->rowHoverLook()->isHighlighted(); ++i)
        QTest::keyClick(menu->focusWidget() ? menu->focusWidget() : menu, Qt::Key_Down);
    QVERIFY(row->rowHoverLook()->isHighlighted());
    QTest::keyClick(menu->focusWidget() ? menu->focusWidget() : menu, Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(row->forwardedPort() != 0, 120'000);
    QCOMPARE(desktop->calls.value(0), u"openUrl http://localhost:%1"_s.arg(row->forwardedPort()));
    QVERIFY(row->findChild<QLabel*>(u"forward"_s)->text().endsWith(u":%1"_s.arg(row->forwardedPort())));
    const auto opened = probe(quint16(row->forwardedPort()));
    QVERIFY(opened && opened->page && opened->page->title == title);
    // What is shown of the process changes (a title, a name): its new row keeps the forward.
    const int openedAt = row->forwardedPort();
    RemoteMachinesWatcher::MachineState changed = watcher.machines().first();
    QCOMPARE(changed.destination, u"far"_s);
    for (PortData& entry : changed.listing.servers) {
        if (entry.port() == port && entry.htmlData()) {
            HTMLData shown = *entry.htmlData();
            shown.title += u" renamed"_s;
            entry.setHtmlData(shown);
        }
    }
    section(0)->showState(changed, {});
    QCOMPARE(ourRow()->forwardedPort(), openedAt);
    QVERIFY(ourRow() != row);
    // The next listing shows the first title again, in a row that still has the forward.
    QTRY_COMPARE_WITH_TIMEOUT(ourRow()->port().htmlData()->title, title, 120'000);
    row = ourRow();
    QCOMPARE(row->forwardedPort(), openedAt);
    QTRY_VERIFY(row->isVisible());
    row->copyCommand();
    QCOMPARE(QGuiApplication::clipboard()->text(), row->port().processInfo()->cmd);
    // The popover offers a terminal logged in there, and nothing that needs the folder here.
    row->showDetails();
    QTRY_VERIFY(row->popover()->popover());
    QStringList offered;
    for (const QToolButton* button : row->popover()->popover()->findChildren<QToolButton*>())
        offered.append(button->accessibleName());
    offered.sort();
    // The popover's own Close, the command's copy and the terminal: no folder, editor or quick launch.
    QCOMPARE(offered, (QStringList{u"Close"_s, u"Copy command"_s, u"Open in Terminal"_s}));
    row->popover()->popover()->findChild<QToolButton*>(u"terminal"_s)->click();
    QCOMPARE(desktop->calls.value(1), u"runInNewTerminal "_s + QDir::homePath() +
                                          u" && ssh -t 'far' 'cd '\\''"_s + folder.path() +
                                          u"'\\'' && exec \"$SHELL\" -l'"_s);
    row->popover()->closePopup();
    // Stop, once the pace has slowed: the machine is listed again at once, so that the row goes.
    QTRY_VERIFY_WITH_TIMEOUT(beyondPace(1), 120'000);
    QSignalSpy stopEnded(watcher.machine(u"far"_s), &RemoteMachine::stopEnded);
    row->findChild<QToolButton*>(u"stopButton"_s)->click();
    QTRY_COMPARE_WITH_TIMEOUT(server->process().state(), QProcess::NotRunning, 120'000);
    QTRY_COMPARE_WITH_TIMEOUT(stopEnded.size(), 1, 120'000);
    QCOMPARE(watcher.scheduledInMs(u"far"_s), 0);
    // The next refresh no longer lists it: its row goes, with its forward.
    const int forwarded = row->forwardedPort();
    QTRY_VERIFY_WITH_TIMEOUT(!ourRow(), 120'000);
    const auto forwardListens = [forwarded] {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, quint16(forwarded));
        return socket.waitForConnected(2000);
    };
    QTRY_VERIFY_WITH_TIMEOUT(!forwardListens(), 60'000);
    state.setIsVisible(false);
    QTRY_COMPARE_WITH_TIMEOUT(watcher.scheduledInMs(u"far"_s), -1, 120'000);
    state.setNotifyServerChanges(true);
    QVERIFY(watcher.scheduledInMs(u"far"_s) > RemoteMachinesWatcher::kOpenIntervalMs);
}

QTEST_MAIN(RemoteTest)
#include "tst_remote.moc"
