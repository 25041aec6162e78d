#pragma once

#include "records/Result.h"

#include <QByteArray>
#include <QJsonDocument>
#include <cstdint>
#include <cstdlib>

// What the fuzz targets share: the input as the bytes a parser receives, and checks that make a
// broken expectation a finding.
namespace tidewell::fuzz {

inline QByteArray bytes(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// Aborts, so that libFuzzer keeps the input, when an expectation does not hold.
inline void require(bool condition)
{
    if (!condition)
        std::abort();
}

// A record read from a reply reads back the same from its own JSON form.
template <typename T> void requireRoundTrip(const Result<T>& decoded)
{
    if (!decoded)
        return;
    const Result<T> again = T::fromJson(QJsonDocument(decoded.value().toJson()).toJson());
    require(again.ok() && again.value() == decoded.value());
}

} // namespace tidewell::fuzz
