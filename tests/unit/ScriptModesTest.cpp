#include "app/ScriptExitStatus.h"
#include "app/ScriptOutput.h"

#include <gtest/gtest.h>

namespace scribeon {
namespace {

TEST(ScriptExitStatusTest, OneStatusPerClassOfFailure) {
    const std::pair<ServiceError, ScriptExitStatus> cases[] = {
        {APIError::unauthorized(), ScriptExitStatus::signedOut},
        {APIError::subscriptionRequired(), ScriptExitStatus::limitReached},
        {APIError::rateLimitExceeded("Monthly", std::nullopt), ScriptExitStatus::limitReached},
        {APIError::commandNotFound(), ScriptExitStatus::notFound},
        {APIError::textTooLong(2001, 2000), ScriptExitStatus::textTooLong},
        {APIError::networkError(TransportError{TransportError::Code::cannotConnectToHost, ""}),
         ScriptExitStatus::network},
        {APIError::serverError(500), ScriptExitStatus::serverFailed},
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

TEST(ScriptOutputTest, EachCommandIsOneLineOfThreeFields) {
    const std::vector<Command> commands = {
        {"fix", "Fix grammar", true},
        {"odd\tcode", "Line\nbreak\r\nand\ttab", true},
        {"esc\x1B[2J",
         "\x1B]0;owned\x07Name\xC2\x9B"
         "1m",
         true},
    };
    const std::string text = commandListText(commands, [](const std::string& code) {
        return code == "fix" ? "\xE2\x9C\x8F\xEF\xB8\x8F" : "\xF0\x9F\x93\x9D";
    });
    EXPECT_EQ(text, "\xE2\x9C\x8F\xEF\xB8\x8F\tfix\tFix grammar\n"
                    "\xF0\x9F\x93\x9D\todd code\tLine break  and tab\n"
                    "\xF0\x9F\x93\x9D\tesc^[[2J\t^[]0;owned^GName^[[1m\n");
    EXPECT_EQ(commandListText({}, [](const std::string&) { return "x"; }), "");
}

TEST(ScriptOutputTest, StatusSpeaksAsTheTrayPanel) {
    User user;
    user.name = "Ada";
    user.email = "ada@example.com";
    user.plan = "pro team";
    user.statistics = {12, 1988, 2000, "2027-01-01T00:00:00.000Z"};
    EXPECT_EQ(statusText(user), "Signed in as Ada <ada@example.com>\n"
                                "Plan: Pro Team\n"
                                "Usage: 12 / 2000 requests used\n"
                                "Resets on 2027-01-01\n");
    user.statistics = {37, 0, -1, "next month"}; // unlimited; a date that does not parse
    EXPECT_EQ(statusText(user), "Signed in as Ada <ada@example.com>\n"
                                "Plan: Pro Team\n"
                                "Usage: 37 requests this month\n");
    // The service's controls are shown, not sent to the terminal.
    user.name = "Ada\x1B]0;owned\x07";
    user.email = "ada@example.com\x9B";
    user.plan = "pro\nteam";
    EXPECT_EQ(statusText(user), "Signed in as Ada^[]0;owned^G <ada@example.com\xEF\xBF\xBD>\n"
                                "Plan: Pro Team\n"
                                "Usage: 37 requests this month\n");
    EXPECT_EQ(failureText(APIError::validationError("Bad\x1B[2J\nthing\x07")),
              "scribeon: Bad^[[2J thing^G\n");
}

TEST(ScriptOutputTest, AProcessedTextIsExactUnlessATerminalShowsIt) {
    const std::string result = "line\x1B[31m one\r\n\ttwo\xC2\x9B\x07\n";
    EXPECT_EQ(processOutputText(result, OutputStream::fileOrPipe), result);
    EXPECT_EQ(processOutputText(result, OutputStream::terminal), "line^[[31m one^M\n\ttwo^[[^G\n");
}

} // namespace
} // namespace scribeon
