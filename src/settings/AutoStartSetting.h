#pragma once

#include "platform/LoginItemService.h"

#include <QString>

namespace tidewell {

// The "Auto Start" setting over the login-item service: the status line the settings page
// shows, and the change its switch asks for.
namespace AutoStartSetting {

// "Status: " and the status's name; a number without a name reads "Unknown".
QString statusLine(int status);
// Registers for on and unregisters for off, only when the service's state differs: on while
// enabled, or off while not registered, changes nothing and succeeds.
LoginItemService::Change change(LoginItemService& service, bool on);

} // namespace AutoStartSetting

} // namespace tidewell
