#include "state/AppState.h"
#include "state/AsyncTask.h"
#include "state/SingleInstance.h"

#include <QDir>
#include <QFileInfo>
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
