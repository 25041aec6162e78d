#pragma once

namespace tidewell {

// What the session bus says about the desktop's notification service, as Qt's tray icon uses it.
namespace FreedesktopNotifications {

// True when tray messages go to a freedesktop notification server (a status-notifier host is
// registered, so Qt's tray icon talks D-Bus) and that server reads markup in a body. Blocks on
// two short calls to the session bus.
bool bodyReadsMarkup();

} // namespace FreedesktopNotifications

} // namespace tidewell
