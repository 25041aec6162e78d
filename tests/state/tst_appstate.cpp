#include "state/AppState.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace tidewell;

namespace {

std::unique_ptr<QSettings> settingsIn(const QTemporaryDir& dir)
{
    return std::make_unique<QSettings>(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
}

} // namespace

class AppStateTest : public QObject
{
    Q_OBJECT
private slots:
    void startsOnThePortsTabOfTheHomePage();
    void announcesOnlyRealChanges();
    void keptValuesSurviveARestart();
    void userSettingsUseTheBundleIdentifier();
};

void AppStateTest::startsOnThePortsTabOfTheHomePage()
{
    QTemporaryDir dir;
    {
        AppState state(settingsIn(dir));
        state.setXrayMode(true);
        state.setShowIgnoredPorts(true);
        state.setSelectedTab(SelectedTab::vercel);
        state.setSelectedView(SelectedView::settings);
    }
    const AppState state(settingsIn(dir));
    QVERIFY(!state.xrayMode() && !state.isVisible() && !state.showIgnoredPorts());
    QCOMPARE(state.selectedTab(), SelectedTab::ports);
    QCOMPARE(state.selectedView(), SelectedView::home);
    QCOMPARE(state.selectedTeam(), std::optional<QString>());
    QCOMPARE(state.quickLaunchData(), QString());
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

void AppStateTest::keptValuesSurviveARestart()
{
    QTemporaryDir dir;
    const QString json = QStringLiteral(R"({"a":{"uuid":"a","creationDate":1.5}})");
    {
        AppState state(settingsIn(dir));
        state.setSelectedTeam(QStringLiteral("team_123"));
        state.setQuickLaunchData(json);
    }
    {
        AppState state(settingsIn(dir));
        QCOMPARE(state.selectedTeam(), std::optional(QStringLiteral("team_123")));
        QCOMPARE(state.quickLaunchData(), json);
        state.setSelectedTeam(std::nullopt);
    }
    QCOMPARE(AppState(settingsIn(dir)).selectedTeam(), std::optional<QString>());
}

void AppStateTest::userSettingsUseTheBundleIdentifier()
{
    const auto settings = AppState::userSettings();
    QCOMPARE(settings->organizationName(), QStringLiteral("orvane.com"));
    QCOMPARE(settings->applicationName(), QStringLiteral("Tidewell"));
    QCOMPARE(settings->scope(), QSettings::UserScope);
}

QTEST_GUILESS_MAIN(AppStateTest)
#include "tst_appstate.moc"
