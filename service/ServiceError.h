#pragma once

#include "base/Result.h"
#include "service/APIError.h"
#include "wire/CodingError.h"

#include <functional>
#include <string>
#include <variant>

namespace scribeon {

class ServiceError {
public:
    ServiceError(APIError error) : error_(std::move(error)) {}
    ServiceError(CodingError error) : error_(std::move(error)) {}

    const APIError* apiError() const { return std::get_if<APIError>(&error_); }
    const CodingError* codingError() const { return std::get_if<CodingError>(&error_); }
    bool is(APIError::Kind kind) const { return apiError() && apiError()->kind() == kind; }

    // The text any caller shows for this failure.
    std::string description() const {
        if (const auto* api = apiError())
            return api->errorDescription();
        return std::get<CodingError>(error_).description;
    }

    bool operator==(const ServiceError&) const = default;

private:
    std::variant<APIError, CodingError> error_;
};

// Outcome of a service operation: a value or a ServiceError.
template <typename T> using ServiceResult = Result<T, ServiceError>;
template <typename T> using Completion = std::function<void(ServiceResult<T>)>;

} // namespace scribeon
