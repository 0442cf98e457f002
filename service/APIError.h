#pragma once

#include "platform/TransportError.h"

#include <cstdint>
#include <optional>
#include <string>

namespace scribeon {

// The one error of service calls; it owns every user-facing failure text.
class APIError {
public:
    enum class Kind {
        rateLimitExceeded,
        textTooLong,
        responseIncomplete,
        commandLimitExceeded,
        validationError,
        networkError,
        serverError,
        unknown,
        unauthorized,
        subscriptionRequired,
        commandNotFound,
        invalidResponse,
    };

    static APIError rateLimitExceeded(std::string message, std::optional<std::string> resetDate);
    static APIError textTooLong(std::int64_t textLength, std::int64_t maxLength);
    static APIError responseIncomplete(std::string message);
    static APIError commandLimitExceeded(std::string message);
    static APIError validationError(std::string message);
    static APIError networkError(TransportError error);
    static APIError serverError(std::int64_t statusCode);
    static APIError unknown(std::int64_t statusCode, std::optional<std::string> message);
    static APIError unauthorized() { return APIError(Kind::unauthorized); }
    static APIError subscriptionRequired() { return APIError(Kind::subscriptionRequired); }
    static APIError commandNotFound() { return APIError(Kind::commandNotFound); }
    static APIError invalidResponse() { return APIError(Kind::invalidResponse); }

    Kind kind() const { return kind_; }
    const std::optional<std::string>& message() const { return message_; }
    const std::optional<std::string>& resetDate() const { return resetDate_; }
    std::int64_t textLength() const { return textLength_; }
    std::int64_t maxLength() const { return maxLength_; }
    std::int64_t statusCode() const { return statusCode_; }
    const TransportError& transportError() const { return transport_; }

    std::string errorDescription() const;

    bool operator==(const APIError&) const = default;

private:
    explicit APIError(Kind kind) : kind_(kind) {}

    Kind kind_;
    std::optional<std::string> message_;
    std::optional<std::string> resetDate_;
    std::int64_t textLength_ = 0;
    std::int64_t maxLength_ = 0;
    std::int64_t statusCode_ = 0;
    TransportError transport_;
};

} // namespace scribeon
