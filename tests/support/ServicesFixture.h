#pragma once

#include "support/RecordingDesktop.h"

#include "gui/process/AppServices.h"
#include "quicklaunch/QuickLaunchStore.h"
#include "state/AppState.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QThreadPool>
#include <list>

namespace tidewell::test {

// The services a window's views receive, over a settings file, a recording desktop and a pool of
// the test's own; saving to quick launch goes to the real store in that state.
// Readings for AppServices::readStats that always give `stats`.
inline std::function<std::optional<ProcessStats>(const PortData&)> steadyReadings(const ProcessStats& stats)
{
    return [stats](const PortData&) { return std::optional(stats); };
}

struct ServicesFixture
{
    QTemporaryDir dir;
    AppState state{
        std::make_unique<QSettings>(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat)};
    std::shared_ptr<RecordingDesktop> desktop = std::make_shared<RecordingDesktop>();
    QThreadPool pool;
    std::list<AppServices> bundles; // views keep a pointer to their bundle

    ~ServicesFixture() { pool.waitForDone(); }
    // A new bundle over `state`, alive as long as the fixture.
    AppServices* services()
    {
        AppServices& bundle = bundles.emplace_back();
        bundle.state = &state;
        bundle.desktop = desktop;
        bundle.pool = &pool;
        bundle.addToQuickLaunch = [this](const PortDataLike& entry) {
            return QuickLaunchStore::addQuickLaunchItem(entry, state) ? QString()
                                                                      : QuickLaunchStore::kNotSavedText;
        };
        return &bundle;
    }
};

} // namespace tidewell::test
