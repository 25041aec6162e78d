#include "probe/PortPage.h"

#include "platform/Desktop.h"
#include "probe/PageProbe.h"

namespace tidewell {

bool openPortPage(const PortData& port, Desktop& desktop, std::function<void(const QString&)> onFailure)
{
    const auto page = port.htmlData();
    if (!page)
        return false;
    const QUrl address = PageProbe::pageAddress(page->scheme, port.port());
    if (!address.isValid())
        return false;
    desktop.openUrl(address, std::move(onFailure));
    return true;
}

} // namespace tidewell
