#pragma once

#include "platform/MainProgramLauncher.h"

namespace tidewell {

// Opens the main application bundle that holds the helper's bundle, four path components up
// (Tidewell.app/Contents/Library/LoginItems/TidewellHelper.app), with `open`.
class BundleLauncher : public MainProgramLauncher
{
public:
    static constexpr int kOpenTimeoutMs = 30'000;

    explicit BundleLauncher(QString helperBundle);

    // The bundle four components above `helperBundle`; a failure when there are not four.
    static Result<QString> mainBundlePath(const QString& helperBundle);

    Launch launch() override;

private:
    QString m_helperBundle;
};

} // namespace tidewell
