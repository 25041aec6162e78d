#pragma once

#include "platform/LoginItemService.h"

namespace tidewell::test {

// A login-item service held in memory: the test sets its status and reads how often each change
// was asked for.
class FakeLoginItemService : public LoginItemService
{
public:
    int currentStatus = notRegistered;
    int registrations = 0;
    int unregistrations = 0;

    int status() const override { return currentStatus; }
    Change registerLoginItem() override { return changeTo(enabled, registrations); }
    Change unregisterLoginItem() override { return changeTo(notRegistered, unregistrations); }

private:
    Change changeTo(int status, int& counter)
    {
        ++counter;
        currentStatus = status;
        return Change::success({});
    }
};

} // namespace tidewell::test
