#pragma once

// The one function the window part exports, and the one the program looks up in it: the program
// loads the window part (and with it the widget libraries) only when no command-line option is given.
// The two are built together, so the signature needs no version of its own.
namespace tidewell::WindowEntry {

// Runs the menu-bar program until it quits and returns its exit code. `argc` must outlive the call:
// the application object keeps a reference to it.
using Function = int (*)(int* argc, char** argv);

inline constexpr char kSymbol[] = "tidewellRunWindow";

} // namespace tidewell::WindowEntry
