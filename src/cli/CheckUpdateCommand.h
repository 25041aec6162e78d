#pragma once

#include "update/UpdateService.h"

#include <cstdio>

namespace tidewell {

// `tidewell --check-update`: one request to the update service, its answer printed, then the exit
// code: 0 answered, 1 the check failed, 3 the build has no update service.
class CheckUpdateCommand
{
public:
    static constexpr int kFailed = 1;
    static constexpr int kNotSetUp = 3;

    explicit CheckUpdateCommand(UpdateService service);

    // Runs an event loop of the current QCoreApplication until the answer is in.
    int run(std::FILE* out = stdout, std::FILE* err = stderr);

private:
    UpdateService m_service;
};

} // namespace tidewell
