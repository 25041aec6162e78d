#include "remote/RemoteLogging.h"

namespace tidewell {

Q_LOGGING_CATEGORY(lcRemote, "tidewell.remote", QtWarningMsg)

} // namespace tidewell
