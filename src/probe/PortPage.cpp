#include "PortPage.h"

#include "PageProbe.h"
#include "platform/Desktop.h"

namespace tidewell {

bool openPortPage(const PortData& port, Desktop& desktop)
{
    const auto page = port.htmlData();
    if (!page)
        return false;
    const QUrl address = PageProbe::pageAddress(page->scheme, port.port());
    if (!address.isValid())
        return false;
    desktop.openUrl(address);
    return true;
}

} // namespace tidewell
