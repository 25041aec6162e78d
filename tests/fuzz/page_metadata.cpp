// A probed page as the probe reads it: its first line is the Content-Type the server sent, the rest
// the body, decoded by its charset; its title is a piece of the page as a browser shows it (references
// decoded, white space collapsed) or "No Title", and an app type text reads back as itself. A reply
// that is no page is described in one short line.
#include "FuzzInput.h"
#include "probe/HtmlCharacterReferences.h"
#include "probe/PageMetadata.h"
#include "probe/PageProbe.h"
#include "probe/PageText.h"

using namespace tidewell;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input = fuzz::bytes(data, size);
    const qsizetype lineEnd = input.indexOf('\n');
    const QByteArray contentType = lineEnd < 0 ? QByteArray() : input.left(lineEnd);
    const QString page = PageText::decode(lineEnd < 0 ? input : input.mid(lineEnd + 1), contentType);
    const QString title = extractTitle(page);
    fuzz::require(title == QStringLiteral("No Title") || page.contains(title) ||
                  collapseWhiteSpace(decodeCharacterReferences(page)).contains(title));
    detectAppType(page);
    if (const auto type = appTypeFromText(page))
        fuzz::require(appTypeText(*type) == page);
    const QString described = PageProbe::describeReply(contentType, 200);
    fuzz::require(!described.isEmpty() && described.size() <= 100 && !described.contains(QLatin1Char('\n')));
    return 0;
}
