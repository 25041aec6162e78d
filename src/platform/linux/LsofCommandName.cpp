#include "platform/linux/LsofCommandName.h"

#include <limits>

namespace tidewell {

namespace {

constexpr qsizetype kCommandWidth = 9;

QString escapedByte(unsigned char byte)
{
    switch (byte) {
    case ' ':
        return QStringLiteral("\\x20");
    case '\\':
        return QStringLiteral("\\\\");
    case '\b':
        return QStringLiteral("\\b");
    case '\f':
        return QStringLiteral("\\f");
    case '\n':
        return QStringLiteral("\\n");
    case '\r':
        return QStringLiteral("\\r");
    case '\t':
        return QStringLiteral("\\t");
    default:
        break;
    }
    if (byte < 0x20)
        return QStringLiteral("^") + QChar(char16_t(byte + 0x40));
    if (byte >= 0x7f)
        return QStringLiteral("\\x%1").arg(byte, 2, 16, QLatin1Char('0'));
    return QString(QChar(char16_t(byte)));
}

QString escapedName(const QByteArray& rawName, qsizetype width)
{
    QString name;
    for (const char c : rawName) {
        const QString unit = escapedByte(static_cast<unsigned char>(c));
        if (name.size() + unit.size() > width)
            break;
        name += unit;
    }
    return name;
}

} // namespace

QString lsofCommandName(const QByteArray& rawName)
{
    return escapedName(rawName, kCommandWidth);
}

QString escapedCommandName(const QByteArray& rawName)
{
    return escapedName(rawName, std::numeric_limits<qsizetype>::max());
}

} // namespace tidewell
