#pragma once

#include "records/PortData.h"

#include <functional>

namespace tidewell {

class Desktop;

// Opens the page a port serves, over the scheme it answered on, in the default browser. An entry
// whose page is unknown opens nothing. Returns whether a page was asked for.
bool openPortPage(const PortData& port, Desktop& desktop, std::function<void(const QString&)> onFailure = {});

} // namespace tidewell
