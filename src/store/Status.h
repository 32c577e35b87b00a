// The error type shared by every module: a code plus a message that names the file, row or folder.
#pragma once

#include <string>
#include <utility>
#include <variant>

namespace qle {

class [[nodiscard]] Status
{
public:
    enum class Code {
        Ok,
        NotFound,
        InvalidArgument,
        IoError,
        DatabaseError,
        NetworkError,
        Cancelled,
        Unavailable, // a service the call needs is not running (no keyring on the desktop)
    };

    Status() = default;

    static Status OK() { return {}; }
    static Status NotFound(std::string message) { return {Code::NotFound, std::move(message)}; }
    static Status InvalidArgument(std::string message) { return {Code::InvalidArgument, std::move(message)}; }
    static Status IoError(std::string message) { return {Code::IoError, std::move(message)}; }
    static Status DatabaseError(std::string message) { return {Code::DatabaseError, std::move(message)}; }
    static Status NetworkError(std::string message) { return {Code::NetworkError, std::move(message)}; }
    static Status Cancelled(std::string message) { return {Code::Cancelled, std::move(message)}; }
    static Status Unavailable(std::string message) { return {Code::Unavailable, std::move(message)}; }

    bool ok() const { return m_code == Code::Ok; }
    Code code() const { return m_code; }
    const std::string& message() const { return m_message; }

    // Returns a copy whose message starts with the given context ("Building page x: ...").
    Status withContext(const std::string& context) const
    {
        return ok() ? *this : Status(m_code, context + ": " + m_message);
    }

private:
    Status(Code code, std::string message)
        : m_code(code)
        , m_message(std::move(message))
    {
    }

    Code m_code = Code::Ok;
    std::string m_message;
};

// Either a value or the Status that explains why there is none.
template <typename T>
class [[nodiscard]] Result
{
public:
    Result(T value)
        : m_data(std::move(value))
    {
    }
    Result(Status status)
        : m_data(std::move(status))
    {
    }

    bool ok() const { return m_data.index() == 0; }
    explicit operator bool() const { return ok(); }

    // REQUIRES: ok()
    T& value() & { return std::get<0>(m_data); }
    const T& value() const& { return std::get<0>(m_data); }
    T&& value() && { return std::get<0>(std::move(m_data)); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() { return value(); }

    // OK when a value is held.
    Status status() const { return ok() ? Status::OK() : std::get<1>(m_data); }

private:
    std::variant<T, Status> m_data;
};

} // namespace qle
