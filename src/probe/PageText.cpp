#include "probe/PageText.h"

#include <QByteArrayList>
#include <QStringDecoder>

namespace tidewell {

namespace {

bool startsWithByteOrderMark(const QByteArray& body)
{
    return body.startsWith("\xEF\xBB\xBF") || body.startsWith("\xFE\xFF") || body.startsWith("\xFF\xFE");
}

bool isUtf8(const QStringDecoder& decoder)
{
    return QByteArray(decoder.name()).compare("UTF-8", Qt::CaseInsensitive) == 0;
}

// Browsers read the Latin-1 and ASCII labels as windows-1252, whose 0x80 to 0x9F are letters and
// signs rather than control characters.
QStringDecoder asBrowsersRead(QStringDecoder decoder)
{
    const QByteArray name = QByteArray(decoder.name()).toLower();
    if (name == "iso-8859-1" || name == "us-ascii" || name == "ascii")
        return QStringDecoder("windows-1252");
    return decoder;
}

QString utf8OrLatin1(const QByteArray& body)
{
    // Stateful: a character cut at the end of the bytes is left pending rather than counted as an error.
    QStringDecoder utf8(QStringConverter::Utf8);
    QString text = utf8.decode(body);
    if (!utf8.hasError())
        return text;
    QStringDecoder latin1("windows-1252");
    return latin1.isValid() ? latin1.decode(body) : QString::fromLatin1(body);
}

} // namespace

QByteArray PageText::charsetOf(const QByteArray& contentType)
{
    for (const QByteArray& parameter : contentType.split(';')) {
        const QByteArray trimmed = parameter.trimmed();
        const qsizetype equals = trimmed.indexOf('=');
        if (equals < 0 || trimmed.left(equals).trimmed().toLower() != "charset")
            continue;
        QByteArray value = trimmed.mid(equals + 1).trimmed();
        if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
            value = value.mid(1, value.size() - 2);
        return value;
    }
    return {};
}

QString PageText::decode(const QByteArray& body, const QByteArray& contentType)
{
    if (startsWithByteOrderMark(body)) {
        QStringDecoder decoder = QStringDecoder::decoderForHtml(body);
        if (decoder.isValid())
            return decoder.decode(body);
    }
    const QByteArray declared = charsetOf(contentType);
    QStringDecoder decoder = declared.isEmpty() ? QStringDecoder() : QStringDecoder(declared.constData());
    // A label no decoder knows counts as none: the page's own declaration is read instead.
    if (!decoder.isValid())
        decoder = QStringDecoder::decoderForHtml(body);
    if (!decoder.isValid() || isUtf8(decoder))
        return utf8OrLatin1(body);
    return asBrowsersRead(std::move(decoder)).decode(body);
}

} // namespace tidewell
