#pragma once

#include "platform/LoginItemService.h"

namespace tidewell::test {

// A login-item service held in memory: the test sets its status and an optional failure, and
// reads how often each change was asked for.
class FakeLoginItemService : public LoginItemService
{
public:
    int currentStatus = notRegistered;
    // When set, register and unregister fail with this text and change nothing.
    QString failure;
    int registrations = 0;
    int unregistrations = 0;

    int status() const override { return currentStatus; }
    Change registerLoginItem() override { return changeTo(enabled, registrations); }
    Change unregisterLoginItem() override { return changeTo(notRegistered, unregistrations); }

private:
    Change changeTo(int status, int& counter)
    {
        ++counter;
        if (!failure.isEmpty())
            return Change::failure(failure);
        currentStatus = status;
        return Change::success({});
    }
};

} // namespace tidewell::test
