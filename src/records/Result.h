#pragma once

#include <QString>

#include <optional>
#include <utility>

namespace tidewell {

// The outcome of work that can fail: a value, or the text of what went wrong. Failures are shown
// to the user as one short line or written as a diagnostic line, so the error is always text.
template <typename T> class Result
{
public:
    static Result success(T value) { return Result(std::move(value), {}); }
    static Result failure(QString error) { return Result(std::nullopt, std::move(error)); }

    bool ok() const { return m_value.has_value(); }
    explicit operator bool() const { return ok(); }
    const T& value() const& { return *m_value; }
    T&& value() && { return std::move(*m_value); }
    const T* operator->() const { return &*m_value; }
    // Empty on success.
    const QString& error() const { return m_error; }

private:
    Result(std::optional<T> value, QString error) : m_value(std::move(value)), m_error(std::move(error)) {}

    std::optional<T> m_value;
    QString m_error;
};

} // namespace tidewell
