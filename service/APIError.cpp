#include "service/APIError.h"

namespace scribeon {

APIError APIError::rateLimitExceeded(std::string message, std::optional<std::string> resetDate) {
    APIError e(Kind::rateLimitExceeded);
    e.message_ = std::move(message);
    e.resetDate_ = std::move(resetDate);
    return e;
}

APIError APIError::textTooLong(std::int64_t textLength, std::int64_t maxLength) {
    APIError e(Kind::textTooLong);
    e.textLength_ = textLength;
    e.maxLength_ = maxLength;
    return e;
}

APIError APIError::responseIncomplete(std::string message) {
    APIError e(Kind::responseIncomplete);
    e.message_ = std::move(message);
    return e;
}

APIError APIError::commandLimitExceeded(std::string message) {
    APIError e(Kind::commandLimitExceeded);
    e.message_ = std::move(message);
    return e;
}

APIError APIError::validationError(std::string message) {
    APIError e(Kind::validationError);
    e.message_ = std::move(message);
    return e;
}

APIError APIError::networkError(TransportError error) {
    APIError e(Kind::networkError);
    e.transport_ = std::move(error);
    return e;
}

APIError APIError::serverError(std::int64_t statusCode) {
    APIError e(Kind::serverError);
    e.statusCode_ = statusCode;
    return e;
}

APIError APIError::unknown(std::int64_t statusCode, std::optional<std::string> message) {
    APIError e(Kind::unknown);
    e.statusCode_ = statusCode;
    e.message_ = std::move(message);
    return e;
}

namespace {

std::string transportDescription(const TransportError& error) {
    using Code = TransportError::Code;
    switch (error.code) {
    case Code::notConnectedToInternet:
        return "No internet connection. Check your network settings.";
    case Code::cannotFindHost:
    case Code::cannotConnectToHost:
    case Code::dnsLookupFailed:
        return "Cannot reach the server. Check your internet connection or firewall settings.";
    case Code::timedOut:
        return "Request timed out. Try again.";
    case Code::secureConnectionFailed:
    case Code::serverCertificateUntrusted:
        return "Secure connection failed. Check your network settings.";
    case Code::other:
        return "Connection error. Check your internet and try again.";
    case Code::foreign:
        return "Network error: " + error.description;
    case Code::replyTooLarge:
        return "The server's reply is too large (" + error.description + ").";
    case Code::cancelled:
        return "Stopped.";
    }
    return "Connection error. Check your internet and try again.";
}

} // namespace

std::string APIError::errorDescription() const {
    switch (kind_) {
    case Kind::rateLimitExceeded:
    case Kind::responseIncomplete:
    case Kind::commandLimitExceeded:
    case Kind::validationError:
        return message_.value_or("");
    case Kind::textTooLong:
        return "Text is too long. Maximum " + std::to_string(maxLength_) + " characters.";
    case Kind::networkError:
        return transportDescription(transport_);
    case Kind::serverError:
        return "Server error. Please try again later.";
    case Kind::unknown:
        return message_.value_or("An unexpected error occurred.");
    case Kind::unauthorized:
        return "Session expired. Please sign in again.";
    case Kind::subscriptionRequired:
        return "Active subscription required.";
    case Kind::commandNotFound:
        return "Command not found or inactive.";
    case Kind::invalidResponse:
        return "Invalid server response.";
    }
    return "An unexpected error occurred.";
}

} // namespace scribeon
