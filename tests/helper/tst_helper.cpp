#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/types.h>

namespace {

const QString kServerName = QStringLiteral("com.orvane.Tidewell");

// One user's session of its own: runtime folder and home, so that the programs started here never
// meet the developer's Tidewell, and every tidewell started here is known by its runtime folder.
struct Session
{
    QTemporaryDir runtime;
    QTemporaryDir home;
    QString output = home.filePath(QStringLiteral("output.txt"));

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral(".config")));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), home.filePath(QStringLiteral(".cache")));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        return env;
    }
    void prepare(QProcess& process) const
    {
        process.setProcessEnvironment(environment());
        // Files rather than pipes: a tidewell started by the helper inherits them and outlives the
        // helper, and a pipe without a reader would end it at its first line.
        process.setStandardOutputFile(output, QIODevice::Append);
        process.setStandardErrorFile(home.filePath(QStringLiteral("errors.txt")), QIODevice::Append);
    }
    bool tidewellAnswers() const
    {
        QLocalSocket socket;
        socket.connectToServer(runtime.filePath(kServerName));
        return socket.waitForConnected(1000);
    }
    // The tidewell processes of this session: the program, with this runtime folder.
    QList<pid_t> tidewells() const
    {
        const QString program = QFileInfo(QStringLiteral(TIDEWELL_PROGRAM)).canonicalFilePath();
        const QByteArray marker = "XDG_RUNTIME_DIR=" + runtime.path().toUtf8();
        QList<pid_t> found;
        const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
        for (const QString& pid : pids) {
            bool number = false;
            const pid_t id = pid.toInt(&number);
            if (!number || QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget() != program)
                continue;
            QFile environ(QStringLiteral("/proc/%1/environ").arg(pid));
            if (environ.open(QIODevice::ReadOnly) && environ.readAll().split('\0').contains(marker))
                found.append(id);
        }
        return found;
    }
    QByteArray printed() const
    {
        QFile file(output);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    ~Session()
    {
        for (const pid_t pid : tidewells())
            ::kill(pid, SIGKILL);
    }
};

int runHelper(const Session& session, const QString& program = QStringLiteral(TIDEWELL_HELPER_PROGRAM))
{
    QProcess helper;
    session.prepare(helper);
    helper.start(program, {});
    if (!helper.waitForFinished(30000))
        return -1;
    return helper.exitStatus() == QProcess::NormalExit ? helper.exitCode() : -1;
}

} // namespace

class HelperTest : public QObject
{
    Q_OBJECT
private slots:
    void startsTidewellOnlyWhenNoneRuns_data();
    void startsTidewellOnlyWhenNoneRuns();
    void findsTidewellFromItsInstalledFolder();
    void saysWhyWhenTidewellIsMissing();
};

void HelperTest::startsTidewellOnlyWhenNoneRuns_data()
{
    QTest::addColumn<QString>("before");
    QTest::newRow("none running") << QString();
    QTest::newRow("another program with a longer name") << QStringLiteral("com.orvane.Tidewell-Helper");
    QTest::newRow("tidewell running") << QStringLiteral("tidewell");
}

void HelperTest::startsTidewellOnlyWhenNoneRuns()
{
    QFETCH(QString, before);
    Session session;
    QLocalServer other;
    QProcess running;
    if (before == QLatin1String("tidewell")) {
        session.prepare(running);
        running.start(QStringLiteral(TIDEWELL_PROGRAM), {});
        QVERIFY(running.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(session.tidewellAnswers(), 20000);
    } else if (!before.isEmpty()) {
        QVERIFY(other.listen(session.runtime.filePath(before)));
    }

    QCOMPARE(runHelper(session), 0);
    QTRY_VERIFY2_WITH_TIMEOUT(session.tidewellAnswers(), session.printed().constData(), 20000);
    QCOMPARE(session.tidewells().size(), 1);
    if (running.state() != QProcess::NotRunning)
        QCOMPARE(session.tidewells().constFirst(), running.processId());
    // Once it runs, the next login start leaves it alone.
    QCOMPARE(runHelper(session), 0);
    QCOMPARE(session.tidewells().size(), 1);
    QVERIFY2(!session.printed().contains("Failed to launch application"), session.printed().constData());

    if (running.state() != QProcess::NotRunning) {
        running.kill();
        running.waitForFinished();
    }
}

// Installed, the helper lies in libexec/tidewell and tidewell in bin (here a link to the built one,
// so that the session knows the process by its executable).
void HelperTest::findsTidewellFromItsInstalledFolder()
{
    Session session;
    QTemporaryDir prefix;
    QVERIFY(QDir().mkpath(prefix.filePath(QStringLiteral("bin"))));
    QVERIFY(QDir().mkpath(prefix.filePath(QStringLiteral("libexec/tidewell"))));
    QVERIFY(QFile::link(QStringLiteral(TIDEWELL_PROGRAM), prefix.filePath(QStringLiteral("bin/tidewell"))));
    const QString helper = prefix.filePath(QStringLiteral("libexec/tidewell/tidewell-helper"));
    QVERIFY(QFile::copy(QStringLiteral(TIDEWELL_HELPER_PROGRAM), helper));

    QCOMPARE(runHelper(session, helper), 0);
    QTRY_VERIFY2_WITH_TIMEOUT(session.tidewellAnswers(), session.printed().constData(), 20000);
    QCOMPARE(session.tidewells().size(), 1);
}

void HelperTest::saysWhyWhenTidewellIsMissing()
{
    Session session;
    QTemporaryDir alone;
    QVERIFY(QDir().mkpath(alone.filePath(QStringLiteral("libexec/tidewell"))));
    const QString helper = alone.filePath(QStringLiteral("libexec/tidewell/tidewell-helper"));
    QVERIFY(QFile::copy(QStringLiteral(TIDEWELL_HELPER_PROGRAM), helper));
    QCOMPARE(runHelper(session, helper), 1);
    // Neither beside it nor in the installed bin folder: the message names the installed place.
    QCOMPARE(QString::fromUtf8(session.printed()),
             QStringLiteral("Failed to launch application: No program at ") +
                 alone.filePath(QStringLiteral("bin/tidewell")) + QLatin1Char('\n'));
    QVERIFY(session.tidewells().isEmpty());
}

QTEST_GUILESS_MAIN(HelperTest)
#include "tst_helper.moc"
