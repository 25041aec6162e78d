#pragma once

#include <QString>

namespace tidewell {

// The shell test of the origin walk, on a command line as ps shows it: a shell's name right after
// a slash, ending where a word would ("/bin/zsh -il", not "/bin/bashful"). Both process tables use
// it, so that the native walk and the macOS script stop at the same processes.
bool looksLikeShell(const QString& commandLine);

} // namespace tidewell
