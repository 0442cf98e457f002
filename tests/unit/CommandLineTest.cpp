#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <string>

namespace scribeon {
namespace {

// The usual invocations run end to end; here the odd ones.
TEST(CommandLineTest, DecidesTheAction) {
    using A = CommandLine::Action;
    const struct {
        std::vector<std::string> arguments;
        A action;
        const char* outputHas;
    } cases[] = {
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
    for (const auto& c : cases) {
        const CommandLine parsed = CommandLine::parse(c.arguments);
        EXPECT_EQ(parsed.action, c.action) << c.arguments.back();
        EXPECT_NE(parsed.output.find(c.outputHas), std::string::npos) << parsed.output;
    }
}

// The text is anything at all: an option's name is text there.
TEST(CommandLineTest, TheTextMayLookLikeAnOption) {
    const CommandLine streamed =
        CommandLine::parse({"scribeon", "process", "--stream", "fix", "--text", "--stream"});
    EXPECT_EQ(streamed.output, "fix");
    EXPECT_EQ(streamed.text, "--stream");
    EXPECT_TRUE(streamed.stream);
    const CommandLine given =
        CommandLine::parse({"scribeon", "process", "--text", "--help", "fix"});
    EXPECT_EQ(given.action, CommandLine::Action::process);
    EXPECT_EQ(given.text, "--help");
}

} // namespace
} // namespace scribeon
