#pragma once

#include <QString>

#include <optional>
#include <utility>
#include <variant>

namespace fangji::store {

// An engine failure: the engine's result code and its message.
struct DbError {
    int number = 0;
    QString description;
};

// The two forms of the error report text: "错误号码：" + number + "错误内容：" + description
// on one line, or with CR LF before "错误内容：".
enum class ReportLines { One, Two };
QString errorReport(const DbError& error, ReportLines lines);

class [[nodiscard]] Status {
public:
    Status() = default;
    Status(DbError error) : m_error(std::move(error)) {}

    bool ok() const { return !m_error.has_value(); }
    explicit operator bool() const { return ok(); }
    const DbError& error() const { return *m_error; }

private:
    std::optional<DbError> m_error;
};

template <class T> class [[nodiscard]] Result {
public:
    Result(T value) : m_value(std::move(value)) {}
    Result(DbError error) : m_value(std::move(error)) {}

    bool ok() const { return m_value.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & { return std::get<0>(m_value); }
    const T& value() const& { return std::get<0>(m_value); }
    T&& value() && { return std::get<0>(std::move(m_value)); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T&& operator*() && { return std::move(*this).value(); }

    const DbError& error() const { return std::get<1>(m_value); }
    Status status() const { return ok() ? Status() : Status(error()); }

private:
    std::variant<T, DbError> m_value;
};

} // namespace fangji::store
