// A probed page as the probe reads it (UTF-8): its title is a piece of the page or "No Title", and
// an app type text reads back as itself.
#include "FuzzInput.h"
#include "probe/PageMetadata.h"

using namespace tidewell;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString page = QString::fromUtf8(fuzz::bytes(data, size));
    const QString title = extractTitle(page);
    fuzz::require(title == QStringLiteral("No Title") || page.contains(title));
    detectAppType(page);
    if (const auto type = appTypeFromText(page))
        fuzz::require(appTypeText(*type) == page);
    return 0;
}
