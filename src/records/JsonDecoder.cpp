#include "records/JsonDecoder.h"

#include <QJsonDocument>
#include <QJsonParseError>

namespace tidewell {

namespace {

QString kindOf(const QJsonValue& value)
{
    switch (value.type()) {
    case QJsonValue::Null:
        return QStringLiteral("null");
    case QJsonValue::Bool:
        return QStringLiteral("a boolean");
    case QJsonValue::Double:
        return QStringLiteral("a number");
    case QJsonValue::String:
        return QStringLiteral("a string");
    case QJsonValue::Array:
        return QStringLiteral("an array");
    case QJsonValue::Object:
        return QStringLiteral("an object");
    case QJsonValue::Undefined:
        break;
    }
    return QStringLiteral("nothing");
}

} // namespace

QJsonValue JsonDecoder::parse(const QByteArray& body, JsonDecoder& decoder)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError) {
        decoder.fail(QStringLiteral("The reply is not JSON (%1 at offset %2)")
                         .arg(error.errorString())
                         .arg(error.offset));
        return {};
    }
    return document.isObject() ? QJsonValue(document.object()) : QJsonValue(document.array());
}

void JsonDecoder::fail(const QString& what)
{
    if (failed())
        return;
    m_error = m_path.isEmpty() ? what : what + QStringLiteral(" at ") + m_path.join(QLatin1Char('.'));
}

void JsonDecoder::failMember(const QString& name, const QJsonValue& found)
{
    if (found.isUndefined() || found.isNull())
        fail(QStringLiteral("Missing member \"%1\"").arg(name));
    else
        fail(QStringLiteral("Member \"%1\" holds %2 of the wrong kind").arg(name, kindOf(found)));
}

QJsonObject JsonDecoder::object(const QJsonValue& value)
{
    if (!value.isObject())
        fail(QStringLiteral("Expected an object, found %1").arg(kindOf(value)));
    return value.toObject();
}

QString JsonDecoder::requiredString(const QJsonObject& object, const QString& name)
{
    const QJsonValue value = object.value(name);
    if (!value.isString())
        failMember(name, value);
    return value.toString();
}

std::optional<QString> JsonDecoder::optionalString(const QJsonObject& object, const QString& name)
{
    const QJsonValue value = object.value(name);
    if (value.isUndefined() || value.isNull())
        return std::nullopt;
    if (!value.isString()) {
        failMember(name, value);
        return std::nullopt;
    }
    return value.toString();
}

std::optional<double> JsonDecoder::optionalNumber(const QJsonObject& object, const QString& name)
{
    const QJsonValue value = object.value(name);
    if (value.isUndefined() || value.isNull())
        return std::nullopt;
    if (!value.isDouble()) {
        failMember(name, value);
        return std::nullopt;
    }
    return value.toDouble();
}

} // namespace tidewell
