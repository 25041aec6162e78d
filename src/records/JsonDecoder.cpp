#include "records/JsonDecoder.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonParseError>

namespace tidewell {

namespace {

QString kindOf(const QJsonValue& value)
{
    switch (value.type()) {
    case QJsonValue::Null:
        return QCoreApplication::translate("JsonDecoder", "null");
    case QJsonValue::Bool:
        return QCoreApplication::translate("JsonDecoder", "a boolean");
    case QJsonValue::Double:
        return QCoreApplication::translate("JsonDecoder", "a number");
    case QJsonValue::String:
        return QCoreApplication::translate("JsonDecoder", "a string");
    case QJsonValue::Array:
        return QCoreApplication::translate("JsonDecoder", "an array");
    case QJsonValue::Object:
        return QCoreApplication::translate("JsonDecoder", "an object");
    case QJsonValue::Undefined:
        break;
    }
    return QCoreApplication::translate("JsonDecoder", "nothing");
}

} // namespace

QJsonValue JsonDecoder::parse(const QByteArray& body, JsonDecoder& decoder)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError) {
        decoder.fail(QCoreApplication::translate("JsonDecoder", "The reply is not JSON (%1 at offset %2)")
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
    m_error =
        m_path.isEmpty()
            ? what
            : QCoreApplication::translate("JsonDecoder", "%1 at %2").arg(what, m_path.join(QLatin1Char('.')));
}

void JsonDecoder::failMember(const QString& name, const QJsonValue& found)
{
    if (found.isUndefined() || found.isNull())
        fail(QCoreApplication::translate("JsonDecoder", "Missing member \"%1\"").arg(name));
    else
        fail(QCoreApplication::translate("JsonDecoder", "Member \"%1\" holds %2 of the wrong kind")
                 .arg(name, kindOf(found)));
}

QJsonObject JsonDecoder::object(const QJsonValue& value)
{
    if (!value.isObject())
        fail(QCoreApplication::translate("JsonDecoder", "Expected an object, found %1").arg(kindOf(value)));
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
