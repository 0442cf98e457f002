#pragma once

#include "service/ServiceError.h"

#include <functional>
#include <utility>
#include <variant>

namespace scribeon {

// The value of an operation that yields nothing.
struct Done {
    bool operator==(const Done&) const = default;
};

// Outcome of a service operation: a value or a ServiceError.
template <typename T> class Result {
public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(ServiceError error) : state_(std::in_place_index<1>, std::move(error)) {}
    Result(APIError error) : Result(ServiceError(std::move(error))) {}
    Result(CodingError error) : Result(ServiceError(std::move(error))) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    const T& value() const& { return std::get<0>(state_); }
    T& value() & { return std::get<0>(state_); }
    T&& value() && { return std::get<0>(std::move(state_)); }
    const ServiceError& error() const { return std::get<1>(state_); }

private:
    std::variant<T, ServiceError> state_;
};

template <typename T> using Completion = std::function<void(Result<T>)>;

} // namespace scribeon
