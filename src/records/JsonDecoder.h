#pragma once

#include "records/Result.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <optional>

namespace tidewell {

// Reads the members of a JSON reply into records and keeps the first thing that did not fit, with
// where it was ("projects[1].framework"), so that one bad element fails the whole reply with a
// text that says why. Missing and null are the same for every member, as the service sends both.
class JsonDecoder
{
public:
    // The object a record is read from; a value of another kind is a failure.
    QJsonObject object(const QJsonValue& value);
    QString requiredString(const QJsonObject& object, const QString& name);
    std::optional<QString> optionalString(const QJsonObject& object, const QString& name);
    std::optional<double> optionalNumber(const QJsonObject& object, const QString& name);
    // A required member holding an object that decodes as `T` through `T::decode`.
    template <typename T> T requiredRecord(const QJsonObject& object, const QString& name)
    {
        const QJsonValue value = object.value(name);
        if (!value.isObject()) {
            failMember(name, value);
            return {};
        }
        m_path.append(name);
        T result = T::decode(*this, value);
        m_path.removeLast();
        return result;
    }

    // A required array whose elements each decode as `T` through `T::decode(JsonDecoder&, const
    // QJsonValue&)`; with `maxCount` not negative, only its first `maxCount` elements are read.
    template <typename T>
    QList<T> requiredList(const QJsonObject& object, const QString& name, qsizetype maxCount = -1)
    {
        const QJsonValue value = object.value(name);
        if (!value.isArray()) {
            failMember(name, value);
            return {};
        }
        const QJsonArray array = value.toArray();
        const qsizetype count = maxCount < 0 ? array.size() : std::min(array.size(), maxCount);
        QList<T> result;
        for (qsizetype i = 0; i < count && !failed(); ++i) {
            m_path.append(name + QLatin1Char('[') + QString::number(i) + QLatin1Char(']'));
            result.append(T::decode(*this, array.at(i)));
            m_path.removeLast();
        }
        return result;
    }

    // Records the failure unless an earlier one is already kept.
    void fail(const QString& what);
    bool failed() const { return !m_error.isEmpty(); }
    const QString& error() const { return m_error; }

    // Parses a whole reply and reads it as `T` through `decode` (`T::decode` unless given); the
    // failure text says what did not fit.
    template <typename T, typename Decode = decltype(&T::decode)>
    static Result<T> decodeDocument(const QByteArray& body, Decode decode = &T::decode)
    {
        JsonDecoder decoder;
        const QJsonValue root = parse(body, decoder);
        if (decoder.failed())
            return Result<T>::failure(decoder.error());
        T value = decode(decoder, root);
        return decoder.failed() ? Result<T>::failure(decoder.error()) : Result<T>::success(std::move(value));
    }

private:
    static QJsonValue parse(const QByteArray& body, JsonDecoder& decoder);
    void failMember(const QString& name, const QJsonValue& found);

    QStringList m_path;
    QString m_error;
};

} // namespace tidewell
