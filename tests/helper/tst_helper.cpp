#include "support/TestProcesses.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/types.h>

using namespace tidewell::test;
using namespace Qt::StringLiterals;

namespace {

// A session of the test's own: its tidewell never meets the developer's and is known by its runtime folder.
struct Session
{
    QTemporaryDir runtime;
    QTemporaryDir home;
    QString output = home.filePath(u"output.txt"_s);

    int runHelper(const QString& program) const
    {
        QProcess helper;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"XDG_RUNTIME_DIR"_s, runtime.path());
        env.insert(u"HOME"_s, home.path());
        env.insert(u"XDG_CONFIG_HOME"_s, home.filePath(u".config"_s));
        env.insert(u"XDG_CACHE_HOME"_s, home.filePath(u".cache"_s));
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        helper.setProcessEnvironment(env);
        // A file rather than a pipe: a tidewell started by the helper inherits it and outlives the
        // helper, and a pipe without a reader would end it at its first line.
        helper.setStandardOutputFile(output, QIODevice::Append);
        helper.setStandardErrorFile(output, QIODevice::Append);
        helper.start(program, {});
        return helper.waitForFinished(30000) && helper.exitStatus() == QProcess::NormalExit
                   ? helper.exitCode()
                   : -1;
    }
    bool tidewellAnswers() const
    {
        QLocalSocket socket;
        socket.connectToServer(runtime.filePath(u"com.orvane.Tidewell"_s));
        return socket.waitForConnected(1000);
    }
    QList<pid_t> tidewells() const
    {
        const QString program = QFileInfo(QStringLiteral(TIDEWELL_PROGRAM)).canonicalFilePath();
        const QByteArray marker = "XDG_RUNTIME_DIR=" + runtime.path().toUtf8();
        QList<pid_t> found;
        for (const QString& pid : QDir(u"/proc"_s).entryList(QDir::Dirs)) {
            if (QFileInfo(u"/proc/%1/exe"_s.arg(pid)).symLinkTarget() == program &&
                fileContent(u"/proc/%1/environ"_s.arg(pid)).split('\0').contains(marker))
                found.append(pid.toInt());
        }
        return found;
    }
    QByteArray printed() const { return fileContent(output); }
    ~Session()
    {
        for (const pid_t pid : tidewells())
            ::kill(pid, SIGKILL);
    }
};

} // namespace

class HelperTest : public QObject
{
    Q_OBJECT
private slots:
    void startsTidewellOnlyWhenNoneRuns_data()
    {
        QTest::addColumn<QString>("other");  // a local server of another name in the runtime folder
        QTest::addColumn<QString>("layout"); // tidewell beside the helper, in bin beside libexec, or nowhere
        QTest::newRow("none running") << QString() << u"beside"_s;
        QTest::newRow("another program with a longer name") << u"com.orvane.Tidewell-Helper"_s << u"beside"_s;
        QTest::newRow("installed") << QString() << u"installed"_s;
        QTest::newRow("missing") << QString() << u"missing"_s;
    }

    void startsTidewellOnlyWhenNoneRuns()
    {
        QFETCH(QString, other);
        QFETCH(QString, layout);
        Session session;
        QLocalServer otherServer;
        QVERIFY(other.isEmpty() || otherServer.listen(session.runtime.filePath(other)));
        QTemporaryDir prefix;
        QString helper = QStringLiteral(TIDEWELL_HELPER_PROGRAM);
        const QString program = prefix.filePath(u"bin/tidewell"_s);
        if (layout != "beside"_L1) {
            QVERIFY(QDir().mkpath(prefix.filePath(u"bin"_s)) &&
                    QDir().mkpath(prefix.filePath(u"libexec/tidewell"_s)));
            QVERIFY(layout == "missing"_L1 || QFile::link(QStringLiteral(TIDEWELL_PROGRAM), program));
            helper = prefix.filePath(u"libexec/tidewell/tidewell-helper"_s);
            QVERIFY(QFile::copy(QStringLiteral(TIDEWELL_HELPER_PROGRAM), helper));
        }
        if (layout == "missing"_L1) {
            QCOMPARE(session.runHelper(helper), 1);
            QCOMPARE(session.printed(),
                     "Failed to launch application: No program at " + program.toUtf8() + '\n');
            QVERIFY(session.tidewells().isEmpty());
            return;
        }
        QCOMPARE(session.runHelper(helper), 0);
        QTRY_VERIFY2_WITH_TIMEOUT(session.tidewellAnswers(), session.printed().constData(), 20000);
        QCOMPARE(session.tidewells().size(), 1);
        // Once it runs, the next login start leaves it alone.
        QCOMPARE(session.runHelper(helper), 0);
        QCOMPARE(session.tidewells().size(), 1);
        QVERIFY2(!session.printed().contains("Failed to launch application"), session.printed().constData());
    }
};

QTEST_GUILESS_MAIN(HelperTest)
#include "tst_helper.moc"
