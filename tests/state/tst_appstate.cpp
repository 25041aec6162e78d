#include "state/AppState.h"
#include "state/AsyncTask.h"
#include "state/SingleInstance.h"
#include "support/LogCapture.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace tidewell;
using namespace Qt::StringLiterals;

namespace {

std::unique_ptr<QSettings> settingsIn(const QTemporaryDir& dir)
{
    return std::make_unique<QSettings>(dir.filePath(u"settings.ini"_s), QSettings::IniFormat);
}

} // namespace

class AppStateTest : public QObject
{
    Q_OBJECT
private slots:
    // A new run opens on the ports tab, x-ray off, others hidden. (What it keeps, the team and quick
    // launch, is checked where they are used: tst_deploymentsviews and tst_quicklaunch.)
    void restartKeepsOnlyTheSavedValues()
    {
        QTemporaryDir dir;
        {
            AppState state(settingsIn(dir));
            state.setXrayMode(true);
            state.setShowIgnoredPorts(true);
            state.setSelectedTab(SelectedTab::vercel);
            state.setSelectedView(SelectedView::settings);
        }
        AppState state(settingsIn(dir));
        QVERIFY(!state.xrayMode() && !state.isVisible() && !state.showIgnoredPorts());
        QCOMPARE(state.selectedTab(), SelectedTab::ports);
        QCOMPARE(state.selectedView(), SelectedView::home);
    }

    void announcesOnlyRealChanges()
    {
        QTemporaryDir dir;
        AppState state(settingsIn(dir));
        QSignalSpy visible(&state, &AppState::isVisibleChanged);
        QSignalSpy xray(&state, &AppState::xrayModeChanged);
        for (const bool value : {true, true, false})
            state.setIsVisible(value);
        QCOMPARE(QList<QVariantList>(visible), (QList<QVariantList>{{true}, {false}}));
        state.setXrayMode(false);
        QCOMPARE(xray.count(), 0);
        // Closing the window keeps every other value.
        state.setXrayMode(true);
        state.setIsVisible(true);
        state.setIsVisible(false);
        QVERIFY(state.xrayMode());
    }

    // The user's settings file is looked at before it is opened: anything but a regular file of a
    // sane size is left alone (never opened), said once, and the settings hold for the run only.
    void settingsFileThatMayNotBeReadIsLeftAlone_data()
    {
        QTest::addColumn<QString>("planted");
        QTest::addColumn<QString>("said");
        QTest::newRow("regular file") << u"file"_s << QString();
        QTest::newRow("no file yet") << QString() << QString();
        QTest::newRow("FIFO") << u"fifo"_s << u"Not a regular file"_s;
        QTest::newRow("folder") << u"folder"_s << u"Not a regular file"_s;
        QTest::newRow("sparse 17 MiB") << u"large"_s << u"Larger than 16777216 bytes"_s;
    }

    void settingsFileThatMayNotBeReadIsLeftAlone()
    {
        QFETCH(QString, planted);
        QFETCH(QString, said);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"orvane.com/Tidewell.conf"_s);
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        const QByteArray name = QFile::encodeName(path);
        QFile file(path);
        if (planted == u"file"_s)
            QVERIFY(file.open(QIODevice::WriteOnly) &&
                    file.write("[General]\nselected_vercel_team=team_1\n") > 0);
        file.close();
        if (planted == u"fifo"_s)
            QCOMPARE(::mkfifo(name.constData(), 0600), 0);
        else if (planted == u"folder"_s)
            QVERIFY(QDir().mkpath(path));
        else if (planted == u"large"_s)
            QCOMPARE(
                ::truncate((::close(::open(name.constData(), O_CREAT | O_WRONLY, 0600)), name.constData()),
                           17 * 1024 * 1024),
                0);
        const QByteArray configHome = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path()));
        const auto restore = qScopeGuard([&] { qputenv("XDG_CONFIG_HOME", configHome); });
        LogCapture log;
        {
            AppState state(AppState::userSettings());
            QCOMPARE(state.selectedTeam(), planted == u"file"_s ? std::optional(u"team_1"_s) : std::nullopt);
            state.setSelectedTeam(u"team_2"_s);
            QCOMPARE(state.selectedTeam(), std::optional(u"team_2"_s));
        }
        QCOMPARE(log.lines().size(), said.isEmpty() ? 0 : 1);
        if (!said.isEmpty())
            QVERIFY2(log.lines().value(0).contains(said) && log.lines().value(0).contains(path),
                     qPrintable(log.lines().value(0)));
        // A regular file, or none, takes the new value; anything else stands there as it was.
        struct stat status
        {};
        QCOMPARE(::lstat(name.constData(), &status), 0);
        if (said.isEmpty())
            QCOMPARE(QSettings(path, QSettings::IniFormat).value(AppState::kSelectedTeamKey).toString(),
                     u"team_2"_s);
        else if (planted == u"fifo"_s)
            QVERIFY(S_ISFIFO(status.st_mode));
        else if (planted == u"folder"_s)
            QVERIFY(S_ISDIR(status.st_mode));
        else
            QCOMPARE(qint64(status.st_size), qint64(17 * 1024 * 1024));
    }

    void quitLeavesAStuckJobBehind()
    {
        QTemporaryDir dir;
        const QByteArray fifo = QFile::encodeName(dir.filePath(u"fifo"_s));
        QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
        auto pool = std::make_unique<QThreadPool>();
        // A read that never returns: the open of a FIFO that nobody writes.
        AsyncTask::run(pool.get(), [fifo] { ::close(::open(fifo.constData(), O_RDONLY)); });
        std::atomic<int> finished = -1;
        std::thread quit([&] { finished = AsyncTask::finishOrAbandon(std::move(pool), 100) ? 1 : 0; });
        // The stuck open is let go at the end, so that the test itself ends whatever happened.
        const auto unstick = qScopeGuard([&] {
            for (bool let = false; !let || finished < 0; QTest::qWait(10)) {
                const int fd = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK);
                let = let || fd >= 0;
                if (fd >= 0)
                    ::close(fd);
            }
            quit.join();
        });
        QTRY_COMPARE_WITH_TIMEOUT(finished.load(), 0, 5000);
    }

    // The socket and its lock stay in a folder that is ours alone; nothing in the way there ends a start.
    void singleInstanceKeepsToAPrivateFolder_data()
    {
        QTest::addColumn<int>("runtimeMode");  // of the folder XDG_RUNTIME_DIR names; 0: unset
        QTest::addColumn<uid_t>("cacheOwner"); // of the fallback folder, left 0777 by an older run
        QTest::addColumn<QString>("expected");
        QTest::newRow("private runtime folder") << 0700 << ::geteuid() << u"run"_s;
        QTest::newRow("runtime folder open to others")
            << 0777 << ::geteuid() << u"cache/com.orvane.Tidewell"_s;
        QTest::newRow("no runtime folder") << 0 << ::geteuid() << u"cache/com.orvane.Tidewell"_s;
        QTest::newRow("fallback of another user") << 0 << uid_t(65534) << QString();
    }

    void singleInstanceKeepsToAPrivateFolder()
    {
        QFETCH(int, runtimeMode);
        QFETCH(uid_t, cacheOwner);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString cache = dir.filePath(u"cache/com.orvane.Tidewell"_s);
        QVERIFY(QDir().mkpath(dir.filePath(u"run"_s)) && QDir().mkpath(cache));
        if (::chown(qPrintable(cache), cacheOwner, cacheOwner) != 0)
            QSKIP("only root can give a folder to another user");
        ::chmod(qPrintable(cache), 0777);
        ::chmod(qPrintable(dir.filePath(u"run"_s)), mode_t(runtimeMode));
        runtimeMode ? qputenv("XDG_RUNTIME_DIR", dir.filePath(u"run"_s).toUtf8())
                    : qunsetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_CACHE_HOME", dir.filePath(u"cache"_s).toUtf8());
        const QString name = SingleInstance::defaultServerName();
        QCOMPARE(name.isEmpty() ? QString() : QFileInfo(name).path(),
                 expected.isEmpty() ? QString() : dir.filePath(expected));
        if (!name.isEmpty()) {
            QCOMPARE(QFileInfo(QFileInfo(name).path()).permissions() & 0x0077, QFile::Permissions());
            QVERIFY(QDir().mkpath(name + u"/planted"_s)); // not a leftover socket to replace
        }
        SingleInstance first(name);
        QVERIFY(first.listen());
        QVERIFY(name.isEmpty() || !SingleInstance(name).listen());
    }
};

QTEST_GUILESS_MAIN(AppStateTest)
#include "tst_appstate.moc"
