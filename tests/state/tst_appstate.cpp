#include "state/AppState.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

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

QTEST_GUILESS_MAIN(AppStateTest)
#include "tst_appstate.moc"
