#pragma once

#include <QString>

namespace tidewell {

// Outside text (a service's message, a commit line, a page title) made fit for one line of a window
// or a terminal. Callable from any thread.
namespace DisplayText {

// Control characters (C0, C1, line breaks) become spaces, so that a text never breaks its line or
// drives a terminal; bidirectional controls and line or paragraph separators are dropped, so that a
// text cannot reorder or break what follows it.
QString oneLine(QString text);

} // namespace DisplayText

} // namespace tidewell
