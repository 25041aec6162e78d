#pragma once

#include <QByteArray>
#include <QString>

namespace tidewell {

// The text of a page's bytes, read as a browser reads them: by a byte order mark, else by the charset
// its Content-Type declares, else by its own <meta> declaration; a page declared or taken as UTF-8
// that is not is read as Latin-1 (windows-1252, as browsers read that label). A page cut at the probe's
// cap may end inside a character, which is dropped. Any thread.
class PageText
{
public:
    static QString decode(const QByteArray& body, const QByteArray& contentType);
    // The charset parameter of a Content-Type value ("text/html; charset=ISO-8859-1" gives
    // "ISO-8859-1"), without quotes; empty when there is none.
    static QByteArray charsetOf(const QByteArray& contentType);
};

} // namespace tidewell
