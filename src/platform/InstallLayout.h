#pragma once

#include <QString>

namespace tidewell {

// Where the two programs find each other: side by side in a build folder, and once installed the
// main program in bin/ with the helper in libexec/tidewell/ (the build says which folders).
namespace InstallLayout {

// The helper for the main program whose executable is in `mainProgramDir`.
QString helperProgram(const QString& mainProgramDir);
// The main program for the helper whose executable is in `helperProgramDir`.
QString mainProgram(const QString& helperProgramDir);
// `name` in `dir` when an executable is there, otherwise `name` in `relativeDir` from `dir`
// (which is also the place a failure names when neither exists).
QString besideOrAt(const QString& dir, const QString& relativeDir, const QString& name);

} // namespace InstallLayout

} // namespace tidewell
