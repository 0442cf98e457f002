#pragma once

#include <concepts>
#include <utility>
#include <variant>

namespace scribeon {

// The value of an operation that yields nothing.
struct Done {
    bool operator==(const Done&) const = default;
};

// Outcome of an operation: a value or an error of type E. An error of a
// narrower kind (or a whole result carrying one) converts into a result whose
// error type can hold it, so a decoder's failure passes through a service
// call unchanged.
template <typename T, typename E> class Result {
public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(E error) : state_(std::in_place_index<1>, std::move(error)) {}

    template <typename F>
    requires(!std::same_as<F, E> && !std::convertible_to<F, T> && std::constructible_from<E, F>)
        Result(F error)
        : Result(E(std::move(error))) {}

    template <typename F>
    requires(!std::same_as<F, E> && std::constructible_from<E, F>) Result(Result<T, F> other)
        : Result(other ? Result(std::move(other).value()) : Result(E(other.error()))) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    const T& value() const& { return std::get<0>(state_); }
    T& value() & { return std::get<0>(state_); }
    T&& value() && { return std::get<0>(std::move(state_)); }
    const E& error() const { return std::get<1>(state_); }

private:
    std::variant<T, E> state_;
};

} // namespace scribeon
