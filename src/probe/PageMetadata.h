#pragma once

#include "records/AppType.h"

#include <QString>

namespace tidewell {

// The page title: the text of the first <title> element, else an og:title meta tag written in its
// usual form, else "No Title"; its character references decoded and its white space collapsed, as a
// browser shows it. Plain, case-sensitive text searches; no HTML parsing.
QString extractTitle(const QString& page);
// The development framework whose marker the page carries.
AppType detectAppType(const QString& page);

} // namespace tidewell
