#pragma once

#include <QByteArray>
#include <QHashFunctions>
#include <QJsonDocument>
#include <QJsonObject>

namespace tidewell {

// Records that compare member by member hash over the same members: their JSON form holds them all.
inline size_t qHashJson(const QJsonObject& object, size_t seed)
{
    return qHash(QJsonDocument(object).toJson(QJsonDocument::Compact), seed);
}

} // namespace tidewell
