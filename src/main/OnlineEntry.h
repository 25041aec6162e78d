#pragma once

#include "probe/PageConnection.h"

// The functions the online part exports, and the names the program looks them up by. The online part
// links Qt Network (and through it TLS); the program loads it only for what goes beyond this machine
// or speaks TLS, so that `tidewell --list` starts without it. The two are built together, so the
// signatures need no version of their own.
namespace tidewell::OnlineEntry {

// Runs `--deployments`, `--check-update` or `--list --json` to its end and returns the exit code.
using RunFunction = int (*)(int* argc, char** argv);
inline constexpr char kRunSymbol[] = "tidewellRunOnline";

// Opens a TLS connection for a page request; the caller owns it.
using SecureFunction = PageConnection* (*)(const PageConnection::Target& target,
                                           PageConnection::Handlers handlers);
inline constexpr char kSecureSymbol[] = "tidewellOpenSecureConnection";

} // namespace tidewell::OnlineEntry
