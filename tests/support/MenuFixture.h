#pragma once

#include "support/FakeLoginItemService.h"
#include "support/ServicesFixture.h"
#include "support/TestProcesses.h"

#include "gui/ports/PortsTab.h"
#include "gui/process/ProcessItem.h"
#include "gui/shell/AppMenu.h"
#include "platform/Host.h"
#include "ports/PortListRefresher.h"
#include "ports/PortScanner.h"
#include "probe/PageProbe.h"
#include "process/ProcessOrigin.h"

#include <atomic>

namespace tidewell::test {

// The menu window over real page probes and origin lookups; the scan finds nothing unless the
// host's listening sockets are asked for, and then only the test's own servers.
struct MenuFixture : ServicesFixture
{
    Host host = Host::create();
    PageProbe probe;
    std::atomic<int> scans{0};
    std::unique_ptr<PortListRefresher> refresher;
    std::unique_ptr<AppMenu> menu;
    // The window's remote machines; none when null.
    RemoteMachinesWatcher* remoteMachines = nullptr;

    explicit MenuFixture(bool scanHost = false)
    {
        const PortScanner scanner(host.sockets, host.processes);
        const ProcessOrigin origin(host.processes);
        refresher = std::make_unique<PortListRefresher>(
            [this, scanner, scanHost] {
                ++scans;
                ScanResult scan = scanHost ? scanner.scanListeningPorts() : ScanResult{};
                const auto foreign = [](const PortData& e) {
                    return !startedByThisTest(e.pid().toLongLong());
                };
                scan.candidates.removeIf(foreign);
                scan.ignored.removeIf(foreign);
                return scan;
            },
            &probe, [origin](const ProcessIdentity& listed) { return origin.getProcessInfo(listed); });
    }
    ~MenuFixture()
    {
        menu.reset();
        pool.waitForDone();
    }
    AppMenu* build(bool show = true)
    {
        AppServices* bundle = services();
        bundle->refresher = refresher.get();
        bundle->loginItem = std::make_shared<FakeLoginItemService>();
        bundle->remoteMachines = remoteMachines;
        menu = std::make_unique<AppMenu>(bundle);
        if (show)
            menu->show();
        return menu.get();
    }
    // The row of the ports tab for `port`, or null.
    ProcessItem* portRow(int port) const
    {
        for (ProcessItem* row : menu->portsTab()->portRows()) {
            if (row->port().port() == QString::number(port))
                return row;
        }
        return nullptr;
    }
};

} // namespace tidewell::test
