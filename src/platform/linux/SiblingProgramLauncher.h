#pragma once

#include "platform/MainProgramLauncher.h"

namespace tidewell {

// Starts the main program the helper found (beside it, or in the installed bin folder), detached,
// as the desktop session's child.
class SiblingProgramLauncher : public MainProgramLauncher
{
public:
    explicit SiblingProgramLauncher(QString program);

    Launch launch() override;

private:
    QString m_program;
};

} // namespace tidewell
