#include "probe/PageMetadata.h"

#include <QCoreApplication>

#include "probe/HtmlCharacterReferences.h"

namespace tidewell {

namespace {

// As a browser shows it: "Team Docs &amp; Notes" is "Team Docs & Notes".
QString readable(const QString& markup)
{
    return collapseWhiteSpace(decodeCharacterReferences(markup));
}

} // namespace

QString extractTitle(const QString& page)
{
    static const QString open = QStringLiteral("<title>");
    static const QString close = QStringLiteral("</title>");
    const qsizetype start = page.indexOf(open);
    const qsizetype end = page.indexOf(close);
    // A closing tag before the end of the opening one (a stray "</title>" earlier in the page)
    // gives no usable element, the same as a missing one.
    if (start >= 0 && end >= start + open.size())
        return readable(page.mid(start + open.size(), end - start - open.size()));

    static const QString meta = QStringLiteral("<meta property=\"og:title\" content=\"");
    const qsizetype metaStart = page.indexOf(meta);
    if (metaStart >= 0) {
        const qsizetype contentStart = metaStart + meta.size();
        const qsizetype quote = page.indexOf(QLatin1Char('"'), contentStart);
        if (quote >= 0)
            return readable(page.mid(contentStart, quote - contentStart));
    }
    return QCoreApplication::translate("PageMetadata", "No Title");
}

AppType detectAppType(const QString& page)
{
    if (page.contains(QLatin1String("_next/static")))
        return AppType::nextjs;
    if (page.contains(QLatin1String("react-refresh")))
        return AppType::react;
    if (page.contains(QLatin1String("href=\"./sb-manager/runtime.js\"")))
        return AppType::storybook;
    return AppType::unknown;
}

} // namespace tidewell
