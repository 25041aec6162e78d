#include "state/AppState.h"
#include "state/SingleInstance.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>
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
    void restartKeepsOnlyTheSavedValues();
    void announcesOnlyRealChanges();
    void userSettingsUseTheBundleIdentifier();
    void singleInstanceKeepsToAPrivateFolder_data();
    void singleInstanceKeepsToAPrivateFolder();
};

// A new run opens on the ports tab of the home page with x-ray off and other listeners hidden, and
// keeps the chosen team and the quick-launch list.
void AppStateTest::restartKeepsOnlyTheSavedValues()
{
    QTemporaryDir dir;
    const QString json = uR"({"a":{"uuid":"a","creationDate":1.5}})"_s;
    {
        AppState state(settingsIn(dir));
        state.setXrayMode(true);
        state.setShowIgnoredPorts(true);
        state.setSelectedTab(SelectedTab::vercel);
        state.setSelectedView(SelectedView::settings);
        state.setSelectedTeam(u"team_123"_s);
        state.setQuickLaunchData(json);
    }
    {
        AppState state(settingsIn(dir));
        QVERIFY(!state.xrayMode() && !state.isVisible() && !state.showIgnoredPorts());
        QCOMPARE(state.selectedTab(), SelectedTab::ports);
        QCOMPARE(state.selectedView(), SelectedView::home);
        QCOMPARE(state.selectedTeam(), std::optional(u"team_123"_s));
        QCOMPARE(state.quickLaunchData(), json);
        state.setSelectedTeam(std::nullopt);
    }
    QCOMPARE(AppState(settingsIn(dir)).selectedTeam(), std::optional<QString>());
}

void AppStateTest::announcesOnlyRealChanges()
{
    QTemporaryDir dir;
    AppState state(settingsIn(dir));
    QSignalSpy visible(&state, &AppState::isVisibleChanged);
    QSignalSpy xray(&state, &AppState::xrayModeChanged);
    state.setIsVisible(true);
    state.setIsVisible(true);
    state.setIsVisible(false);
    QCOMPARE(visible.count(), 2);
    QCOMPARE(visible.at(0).at(0).toBool(), true);
    QCOMPARE(visible.at(1).at(0).toBool(), false);
    state.setXrayMode(false);
    QCOMPARE(xray.count(), 0);
    // Closing the window keeps every other value.
    state.setXrayMode(true);
    state.setIsVisible(true);
    state.setIsVisible(false);
    QVERIFY(state.xrayMode());
}

void AppStateTest::userSettingsUseTheBundleIdentifier()
{
    const auto settings = AppState::userSettings();
    QCOMPARE(settings->organizationName(), u"orvane.com"_s);
    QCOMPARE(settings->applicationName(), u"Tidewell"_s);
    QCOMPARE(settings->scope(), QSettings::UserScope);
}

// The socket and its lock stay in a folder that is ours alone; nothing in the way there ends a start.
void AppStateTest::singleInstanceKeepsToAPrivateFolder_data()
{
    QTest::addColumn<int>("runtimeMode");  // of the folder XDG_RUNTIME_DIR names; 0: unset
    QTest::addColumn<uid_t>("cacheOwner"); // of the fallback folder, left 0777 by an older run
    QTest::addColumn<QString>("expected");
    QTest::newRow("private runtime folder") << 0700 << ::geteuid() << u"run"_s;
    QTest::newRow("runtime folder open to others") << 0777 << ::geteuid() << u"cache/com.orvane.Tidewell"_s;
    QTest::newRow("no runtime folder") << 0 << ::geteuid() << u"cache/com.orvane.Tidewell"_s;
    QTest::newRow("fallback of another user") << 0 << uid_t(65534) << QString();
}

void AppStateTest::singleInstanceKeepsToAPrivateFolder()
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
    runtimeMode ? qputenv("XDG_RUNTIME_DIR", dir.filePath(u"run"_s).toUtf8()) : qunsetenv("XDG_RUNTIME_DIR");
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

QTEST_GUILESS_MAIN(AppStateTest)
#include "tst_appstate.moc"
