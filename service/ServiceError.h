#pragma once

#include "service/APIError.h"

#include <string>
#include <variant>

namespace scribeon {

// A request body that could not be encoded or a 200 reply that could not be
// decoded; `description` is the coder's own explanation.
struct CodingError {
    std::string description;
    bool operator==(const CodingError&) const = default;
};

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

} // namespace scribeon
