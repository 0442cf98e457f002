#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

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
        {{"scribeon", "sign-in", "ada@example.com"}, CommandLine::Action::signIn, "ada@"},
        {{"scribeon", "commands"}, CommandLine::Action::listCommands, ""},
        {{"scribeon", "status"}, CommandLine::Action::status, ""},
        {{"scribeon", "sign-out"}, CommandLine::Action::signOut, ""},
        {{"scribeon", "sign-out", "--everywhere"}, CommandLine::Action::signOutEverywhere, ""},
        {{"scribeon", "--trigger", "x"}, CommandLine::Action::fail, "unexpected argument 'x'"},
        {{"scribeon", "process", "fix"}, CommandLine::Action::process, "fix"},
        {{"scribeon", "process"}, CommandLine::Action::fail, "needs the code"},
        {{"scribeon", "process", "fix", "--text"}, CommandLine::Action::fail, "--text needs"},
        {{"scribeon", "frobnicate"}, CommandLine::Action::fail, "unknown mode 'frobnicate'"},
        {{"scribeon", "status", "--help"}, CommandLine::Action::printHelp, "Exit status:"},
        {{"scribeon", "process", "x", "-v"}, CommandLine::Action::printVersion, "scribeon "},
    };
    for (const auto& c : cases) {
        const CommandLine parsed = CommandLine::parse(c.arguments);
        EXPECT_EQ(parsed.action, c.action) << c.arguments.back();
        EXPECT_NE(parsed.output.find(c.outputHas), std::string::npos) << parsed.output;
    }
}

TEST(CommandLineTest, ProcessTakesTheTextFromTheOptionOrStandardInput) {
    const CommandLine fromInput = CommandLine::parse({"scribeon", "process", "fix"});
    EXPECT_EQ(fromInput.text, std::nullopt);
    EXPECT_FALSE(fromInput.stream);
    const CommandLine streamed =
        CommandLine::parse({"scribeon", "process", "--stream", "fix", "--text", "--stream"});
    EXPECT_EQ(streamed.output, "fix");
    EXPECT_EQ(streamed.text, "--stream");
    EXPECT_TRUE(streamed.stream);
    // The text is anything at all: an option's name is text there.
    const CommandLine given =
        CommandLine::parse({"scribeon", "process", "--text", "--help", "fix"});
    EXPECT_EQ(given.action, CommandLine::Action::process);
    EXPECT_EQ(given.output, "fix");
    EXPECT_EQ(given.text, "--help");
}

TEST(ServiceAddressesTest, TheFeedAndWebPagesFollowTheServiceOrigin) {
    const char* saved = std::getenv("SCRIBEON_SERVICE_ORIGIN");
    const std::string restore = saved ? saved : "";
    ::setenv("SCRIBEON_SERVICE_ORIGIN", "http://127.0.0.1:4321", 1);
    EXPECT_EQ(serviceBaseURL(), "http://127.0.0.1:4321/api/v1");
    EXPECT_EQ(serviceOrigin(), "http://127.0.0.1:4321");
    EXPECT_EQ(appcastURL(), "http://127.0.0.1:4321/appcast.xml");
    ::unsetenv("SCRIBEON_SERVICE_ORIGIN");
    EXPECT_EQ(serviceOrigin(), SCRIBEON_SERVICE_ORIGIN);
    EXPECT_EQ(appcastURL(), std::string(SCRIBEON_SERVICE_ORIGIN) + "/appcast.xml");
    if (saved)
        ::setenv("SCRIBEON_SERVICE_ORIGIN", restore.c_str(), 1);
}

} // namespace
} // namespace scribeon
