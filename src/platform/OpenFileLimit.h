#pragma once

namespace tidewell {

// The number of descriptors this process may hold open at once. Callable from any thread.
class OpenFileLimit
{
public:
    // Lifts the soft limit to the hard one (at most kMaxDescriptors), once per process: a listing asks
    // every server at once, one connection each, and desktops start programs with a soft limit of
    // 1,024, which a process listening on thousands of ports would use up, leaving the other servers
    // unasked. Every waiting loop of the program polls rather than selects, so high descriptors are
    // safe.
    static void raiseToHardLimit();

    static constexpr unsigned long kMaxDescriptors = 65536;
};

} // namespace tidewell
