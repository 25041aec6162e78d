#pragma once

#include "records/Result.h"

#include <QString>
#include <memory>
#include <variant>

namespace tidewell {

// Starts the main program from the companion program tidewell-helper, finding it from where the
// helper itself lies. Used from the helper's one thread; a call may wait for a short-lived child.
class MainProgramLauncher
{
public:
    // Success carries nothing; a failure says why the main program was not started.
    using Launch = Result<std::monostate>;

    virtual ~MainProgramLauncher() = default;

    // Starts the main program and lets it run on its own.
    virtual Launch launch() = 0;

    // The implementation for this host, for the helper whose executable is in `helperProgramDir`.
    static std::unique_ptr<MainProgramLauncher> create(const QString& helperProgramDir);
};

} // namespace tidewell
