#include "app/ScriptExitStatus.h"

#include <gtest/gtest.h>

namespace scribeon {
namespace {

// The statuses the service itself produces run end to end with the script
// modes; here the failures no real service is made to send.
TEST(ScriptExitStatusTest, OneStatusPerClassOfFailure) {
    const std::pair<ServiceError, ScriptExitStatus> cases[] = {
        {APIError::invalidResponse(), ScriptExitStatus::serverFailed},
        {APIError::responseIncomplete("cut"), ScriptExitStatus::serverFailed},
        {CodingError{"bad JSON"}, ScriptExitStatus::serverFailed},
        {APIError::validationError("The e-mail or password is incorrect."),
         ScriptExitStatus::failure},
        {APIError::unknown(418, std::nullopt), ScriptExitStatus::failure},
    };
    for (const auto& [error, status] : cases)
        EXPECT_EQ(exitStatusFor(error), status) << error.description();
}

} // namespace
} // namespace scribeon
