#include "service/ServiceError.h"

#include <gtest/gtest.h>

namespace scribeon {
namespace {

// The fixed wordings per status are checked through APIClient; here the
// ones built from their arguments and the transport's kinds of failure.
TEST(APIErrorTest, MessagesBuiltFromTheFailure) {
    using Code = TransportError::Code;
    const std::string unreachable =
        "Cannot reach the server. Check your internet connection or firewall settings.";
    const std::pair<APIError, std::string> cases[] = {
        {APIError::textTooLong(5, 1234567), "Text is too long. Maximum 1234567 characters."},
        {APIError::responseIncomplete("Cut short."), "Cut short."},
        {APIError::networkError({Code::notConnectedToInternet, ""}),
         "No internet connection. Check your network settings."},
        {APIError::networkError({Code::cannotFindHost, ""}), unreachable},
        {APIError::networkError({Code::cannotConnectToHost, ""}), unreachable},
        {APIError::networkError({Code::dnsLookupFailed, ""}), unreachable},
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

} // namespace
} // namespace scribeon
