#pragma once

#include <string>
#include <utility>
#include <variant>

// Why an operation failed, in words the user can be shown.
struct Failure {
    std::string reason;
};

// What an operation that can fail for a reason worth telling gives back: its value, or the failure. The
// code below the windows returns these and shows nothing; the window, batch mode and publishing turn a
// failure's reason into a message.
template <class T = void> class [[nodiscard]] Result {
public:
    Result(T value) : m_outcome(std::in_place_index<0>, std::move(value)) {}
    Result(Failure failure) : m_outcome(std::in_place_index<1>, std::move(failure)) {}

    bool ok() const { return m_outcome.index() == 0; }
    explicit operator bool() const { return ok(); }
    const T& value() const { return std::get<0>(m_outcome); }
    const T& operator*() const { return value(); }
    const T* operator->() const { return &value(); }
    const std::string& reason() const { return std::get<1>(m_outcome).reason; }

private:
    std::variant<T, Failure> m_outcome;
};

template <> class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Failure failure) : m_failed(true), m_reason(std::move(failure.reason)) {}

    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }
    const std::string& reason() const { return m_reason; }

private:
    bool m_failed = false;
    std::string m_reason;
};
