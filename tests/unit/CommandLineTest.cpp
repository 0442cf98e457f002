#include "app/CommandLine.h"

#include <gtest/gtest.h>

namespace scribeon {
namespace {

TEST(CommandLineTest, DecidesTheAction) {
    struct Case {
        std::vector<std::string> arguments;
        CommandLine::Action action;
        const char* outputHas;
    };
    const Case cases[] = {
        {{"scribeon"}, CommandLine::Action::run, ""},
        {{"scribeon", "--trigger"}, CommandLine::Action::trigger, ""},
        {{"scribeon", "--version"},
         CommandLine::Action::printVersion,
         "scribeon " SCRIBEON_VERSION},
        {{"scribeon", "--help"}, CommandLine::Action::printHelp, "Usage: scribeon"},
        {{"scribeon", "--bogus"}, CommandLine::Action::fail, "unknown option '--bogus'"},
        {{"scribeon", "--sign-in", "ada@example.com"},
         CommandLine::Action::signIn,
         "ada@example.com"},
        {{"scribeon", "--sign-in"}, CommandLine::Action::fail, "needs an e-mail address"},
    };
    for (const auto& c : cases) {
        const CommandLine parsed = CommandLine::parse(c.arguments);
        EXPECT_EQ(parsed.action, c.action) << c.arguments.back();
        EXPECT_NE(parsed.output.find(c.outputHas), std::string::npos) << parsed.output;
    }
}

} // namespace
} // namespace scribeon
