#include "service/ServiceError.h"

#include <gtest/gtest.h>

namespace scribeon {
namespace {

TEST(APIErrorTest, EveryCaseHasItsUserFacingMessage) {
    using Code = TransportError::Code;
    const std::pair<APIError, const char*> cases[] = {
        {APIError::rateLimitExceeded("Monthly request limit exceeded.", "2027-01-01"),
         "Monthly request limit exceeded."},
        {APIError::textTooLong(12000, 10000), "Text is too long. Maximum 10000 characters."},
        {APIError::textTooLong(5, 1234567), "Text is too long. Maximum 1234567 characters."},
        {APIError::responseIncomplete("Cut short."), "Cut short."},
        {APIError::commandLimitExceeded("Command limit exceeded."), "Command limit exceeded."},
        {APIError::validationError("Validation error."), "Validation error."},
        {APIError::serverError(503), "Server error. Please try again later."},
        {APIError::unknown(418, std::nullopt), "An unexpected error occurred."},
        {APIError::unknown(201, "Created?"), "Created?"},
        {APIError::unauthorized(), "Session expired. Please sign in again."},
        {APIError::subscriptionRequired(), "Active subscription required."},
        {APIError::commandNotFound(), "Command not found or inactive."},
        {APIError::invalidResponse(), "Invalid server response."},
        {APIError::networkError({Code::notConnectedToInternet, ""}),
         "No internet connection. Check your network settings."},
        {APIError::networkError({Code::cannotFindHost, ""}),
         "Cannot reach the server. Check your internet connection or firewall settings."},
        {APIError::networkError({Code::cannotConnectToHost, ""}),
         "Cannot reach the server. Check your internet connection or firewall settings."},
        {APIError::networkError({Code::dnsLookupFailed, ""}),
         "Cannot reach the server. Check your internet connection or firewall settings."},
        {APIError::networkError({Code::timedOut, ""}), "Request timed out. Try again."},
        {APIError::networkError({Code::secureConnectionFailed, ""}),
         "Secure connection failed. Check your network settings."},
        {APIError::networkError({Code::serverCertificateUntrusted, ""}),
         "Secure connection failed. Check your network settings."},
        {APIError::networkError({Code::other, "connection reset"}),
         "Connection error. Check your internet and try again."},
        {APIError::networkError({Code::foreign, "plain http is refused for example.com"}),
         "Network error: plain http is refused for example.com"},
    };
    for (const auto& [error, message] : cases)
        EXPECT_EQ(error.errorDescription(), message);
}

TEST(APIErrorTest, ServiceErrorDescribesBothKinds) {
    const ServiceError api = APIError::unauthorized();
    const ServiceError coding = CodingError{"key \"user\": missing"};
    EXPECT_TRUE(api.is(APIError::Kind::unauthorized));
    EXPECT_FALSE(coding.is(APIError::Kind::unauthorized));
    EXPECT_EQ(api.description(), "Session expired. Please sign in again.");
    EXPECT_EQ(coding.description(), "key \"user\": missing");
}

} // namespace
} // namespace scribeon
