#include "probe/HtmlCharacterReferences.h"

#include <algorithm>
#include <iterator>
#include <string_view>

namespace tidewell {

namespace {

struct NamedReference
{
    std::string_view name;
    const char16_t* text;
};

// The table of the HTML standard, sorted by name.
constexpr NamedReference kNamedReferences[] = {
#include "probe/HtmlNamedReferences.inc"
};

bool isAsciiAlphanumeric(QChar c)
{
    return c.unicode() < 128 && c.isLetterOrNumber();
}

// The character of "&#…;" or "&#x…;" (digits between `from` and `to`); none for numbers that name
// no character.
std::optional<char32_t> numericReference(QStringView digits, int base)
{
    if (digits.isEmpty() || digits.size() > 8)
        return std::nullopt;
    bool ok = false;
    const uint value = digits.toUInt(&ok, base);
    if (!ok || value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return std::nullopt;
    return char32_t(value);
}

} // namespace

QString decodeCharacterReferences(const QString& text)
{
    if (!text.contains(QLatin1Char('&')))
        return text;
    QString decoded;
    decoded.reserve(text.size());
    qsizetype at = 0;
    while (at < text.size()) {
        const qsizetype amp = text.indexOf(QLatin1Char('&'), at);
        if (amp < 0) {
            decoded.append(QStringView(text).sliced(at));
            break;
        }
        decoded.append(QStringView(text).sliced(at, amp - at));
        at = amp + 1;
        qsizetype end = at;
        if (end < text.size() && text.at(end) == QLatin1Char('#')) {
            const bool hex = end + 1 < text.size() &&
                             (text.at(end + 1) == QLatin1Char('x') || text.at(end + 1) == QLatin1Char('X'));
            const qsizetype first = end + (hex ? 2 : 1);
            end = first;
            while (end < text.size() && (hex ? isAsciiAlphanumeric(text.at(end)) : text.at(end).isDigit()))
                ++end;
            const auto character =
                end < text.size() && text.at(end) == QLatin1Char(';')
                    ? numericReference(QStringView(text).sliced(first, end - first), hex ? 16 : 10)
                    : std::nullopt;
            if (character) {
                decoded.append(QString::fromUcs4(&*character, 1));
                at = end + 1;
            } else {
                decoded.append(QLatin1Char('&'));
            }
            continue;
        }
        while (end < text.size() && isAsciiAlphanumeric(text.at(end)))
            ++end;
        const NamedReference* found = nullptr;
        if (end > at && end < text.size() && text.at(end) == QLatin1Char(';')) {
            const QByteArray name = QStringView(text).sliced(at, end - at).toLatin1();
            const std::string_view key(name.constData(), size_t(name.size()));
            const auto* match = std::lower_bound(
                std::begin(kNamedReferences), std::end(kNamedReferences), key,
                [](const NamedReference& entry, std::string_view wanted) { return entry.name < wanted; });
            if (match != std::end(kNamedReferences) && match->name == key)
                found = match;
        }
        if (found) {
            decoded.append(QString::fromUtf16(found->text));
            at = end + 1;
        } else {
            decoded.append(QLatin1Char('&'));
        }
    }
    return decoded;
}

QString collapseWhiteSpace(const QString& text)
{
    const auto isWhite = [](QChar c) {
        return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') ||
               c == QLatin1Char('\f') || c == QLatin1Char('\r');
    };
    QString collapsed;
    collapsed.reserve(text.size());
    bool pendingSpace = false;
    for (const QChar c : text) {
        if (isWhite(c)) {
            pendingSpace = !collapsed.isEmpty();
            continue;
        }
        if (pendingSpace)
            collapsed.append(QLatin1Char(' '));
        pendingSpace = false;
        collapsed.append(c);
    }
    return collapsed;
}

} // namespace tidewell
