#pragma once

#include <QString>
#include <memory>
#include <optional>

namespace tidewell {

class SystemTools;
class Desktop;
class ListeningSocketSource;
class ProcessTable;

// The host's services, one implementation of each chosen for this machine.
struct Host
{
    // How sockets and processes are read: straight from the kernel's tables where the host
    // allows it, or through the standard command-line tools.
    enum class Backend
    {
        native,
        commands
    };

    // The backend this host was made with: native only where the host has it.
    Backend backend = Backend::commands;
    std::shared_ptr<SystemTools> tools;
    std::shared_ptr<ListeningSocketSource> sockets;
    std::shared_ptr<ProcessTable> processes;
    std::shared_ptr<Desktop> desktop;

    // Native on Linux unless TIDEWELL_BACKEND=commands; commands on every other host.
    static Backend defaultBackend();
    static bool hasNativeBackend();
    static std::optional<Backend> backendFromText(const QString& text);
    static Host create(Backend backend, std::shared_ptr<SystemTools> tools = {});
    static Host create() { return create(defaultBackend()); }
};

} // namespace tidewell
