#pragma once

#include <QString>

namespace tidewell {

// Quotes a text as one word for a POSIX shell (bash, zsh): single quotes, with each single quote
// written as '\''. Nothing inside is expanded.
QString shellQuoted(const QString& text);

} // namespace tidewell
