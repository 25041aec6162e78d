#pragma once

#include <QtGlobal>

namespace tidewell {

// Whether the host lets this program send a signal to `pid`: false only when it refuses one
// (the process belongs to another user), so that a stop can say so instead of waiting in vain.
// Sends nothing; safe on any thread.
bool maySignalProcess(qint64 pid);

} // namespace tidewell
