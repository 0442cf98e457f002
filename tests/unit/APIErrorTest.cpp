#include "service/ServiceError.h"

#include <gtest/gtest.h>

namespace scribeon {
namespace {

// The fixed wordings are the code's own; here the ones built from the failure.
TEST(APIErrorTest, MessagesBuiltFromTheFailure) {
    using Code = TransportError::Code;
    const std::pair<APIError, std::string> cases[] = {
        {APIError::textTooLong(5, 1234567), "Text is too long. Maximum 1234567 characters."},
        {APIError::responseIncomplete("Cut short."), "Cut short."},
        {APIError::networkError({Code::foreign, "plain http is refused for example.com"}),
         "Network error: plain http is refused for example.com"},
    };
    for (const auto& [error, message] : cases)
        EXPECT_EQ(error.errorDescription(), message);
}

} // namespace
} // namespace scribeon
