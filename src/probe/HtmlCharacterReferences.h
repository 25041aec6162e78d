#pragma once

#include <QString>

namespace tidewell {

// Text as a page means it: the character references of HTML decoded ("&amp;", "&eacute;", "&#8212;",
// "&#x1F600;"). A reference that names no character, or does not end in a semicolon, stays as written.
QString decodeCharacterReferences(const QString& text);
// White space as a browser shows a title: runs of ASCII white space as one space, none at either end.
QString collapseWhiteSpace(const QString& text);

} // namespace tidewell
