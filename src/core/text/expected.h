#pragma once
// The one result type of core operations that can fail: a value, or an Error
// that says why (and on which line of the input, where there is one).
#include <cassert>
#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace lumivane {

struct Error {
    std::string reason;    // shown to people as it stands
    std::size_t line = 0;  // 1-based line of the input it concerns; 0 when it concerns no line
};

// A failure with its reason, for `return failure("...")` in functions returning Expected<T>.
inline Error failure(std::string reason, std::size_t line = 0) { return Error{std::move(reason), line}; }

template <class T>
class [[nodiscard]] Expected {
public:
    Expected(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Expected(Error error) : state_(std::in_place_index<1>, std::move(error)) {}

    // True when a value is held.
    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    // The value; only when ok().
    T& value() &
    {
        assert(ok());
        return std::get<0>(state_);
    }
    const T& value() const&
    {
        assert(ok());
        return std::get<0>(state_);
    }
    T&& value() &&
    {
        assert(ok());
        return std::get<0>(std::move(state_));
    }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }

    // Why there is no value; only when !ok().
    const Error& error() const
    {
        assert(!ok());
        return std::get<1>(state_);
    }

private:
    std::variant<T, Error> state_;
};

// Success carries nothing: an Error, or none.
template <>
class [[nodiscard]] Expected<void> {
public:
    Expected() = default;
    Expected(Error error) : error_(std::move(error)) {}

    bool ok() const { return !error_.has_value(); }
    explicit operator bool() const { return ok(); }
    const Error& error() const
    {
        assert(!ok());
        return *error_;
    }

private:
    // Empty on success, so a success costs no string: walks return one per reading.
    std::optional<Error> error_;
};

}  // namespace lumivane
