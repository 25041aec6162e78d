#include "records/DisplayText.h"

namespace tidewell::DisplayText {

namespace {

bool isBidiControlOrSeparator(char16_t c)
{
    return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0x200E || c == 0x200F ||
           c == 0x061C || c == 0x2028 || c == 0x2029;
}

} // namespace

QString oneLine(QString text)
{
    text.removeIf([](QChar c) { return isBidiControlOrSeparator(c.unicode()); });
    for (QChar& c : text) {
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char(' ');
    }
    return text;
}

} // namespace tidewell::DisplayText
