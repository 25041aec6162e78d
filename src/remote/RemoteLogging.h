#pragma once

#include <QLoggingCategory>

namespace tidewell {

// What the remote machines' connections say: failures to reach a machine, and its refused listings.
Q_DECLARE_LOGGING_CATEGORY(lcRemote)

} // namespace tidewell
