#include "app/CommandLine.h"
#include "app/ScriptExitStatus.h"

#include <gtest/gtest.h>

#include <string>

namespace scribeon {
namespace {

// The usual invocations run end to end; here the odd ones.
TEST(CommandLineTest, DecidesTheAction) {
    using A = CommandLine::Action;
    const std::tuple<std::vector<std::string>, A, const char*> cases[] = {
        {{"scribeon"}, A::run, ""},
        {{"scribeon", "--trigger"}, A::trigger, ""},
        {{"scribeon", "--sign-in"}, A::fail, "needs an e-mail address"},
        {{"scribeon", "sign-in", "ada@example.com"}, A::signIn, "ada@"},
        {{"scribeon", "--trigger", "x"}, A::fail, "unexpected argument 'x'"},
        {{"scribeon", "process"}, A::fail, "needs the code"},
        {{"scribeon", "process", "fix", "--text"}, A::fail, "--text needs"},
        {{"scribeon", "frobnicate"}, A::fail, "unknown mode 'frobnicate'"},
        {{"scribeon", "status", "--help"}, A::printHelp, "Exit status:"},
        {{"scribeon", "process", "x", "-v"}, A::printVersion, "scribeon "},
    };
    for (const auto& [arguments, action, outputHas] : cases) {
        const CommandLine parsed = CommandLine::parse(arguments);
        EXPECT_EQ(parsed.action, action) << arguments.back();
        EXPECT_NE(parsed.output.find(outputHas), std::string::npos) << parsed.output;
    }
}

// The text is anything at all: an option's name is text there.
TEST(CommandLineTest, TheTextMayLookLikeAnOption) {
    const auto s =
        CommandLine::parse({"scribeon", "process", "--stream", "fix", "--text", "--stream"});
    EXPECT_EQ(std::tuple(s.output, s.text, s.stream), std::tuple("fix", "--stream", true));
    const auto g = CommandLine::parse({"scribeon", "process", "--text", "--help", "fix"});
    EXPECT_EQ(std::tuple(g.action, g.text), std::tuple(CommandLine::Action::process, "--help"));
}

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
